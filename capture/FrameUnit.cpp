#include "capture/FrameUnit.h"

#include <array>
#include <utility>
#include <vector>

#include "capture/ScreenGeometry.h"
#include "capture/SelectionAids.h"
#include "ui/Handles.h"

namespace snaplark {

namespace {

constexpr COLORREF kRed = 0x000000FF;
constexpr uint32_t kRedOnScreen = 0xFF0000;  // as PixelsOf reads it

// Layered and transparent: the system passes the mouse to the window beneath,
// and WindowFromPoint never finds the frame instead of the window it frames.
constexpr DWORD kFrameStyle =
    WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;

// The four one-pixel lines of an outline, in screen coordinates.
std::array<RECT, 4> Lines(const RECT& o)
{
    return {{{o.left, o.top, o.right, o.top + 1},
             {o.left, o.bottom - 1, o.right, o.bottom},
             {o.left, o.top, o.left + 1, o.bottom},
             {o.right - 1, o.top, o.right, o.bottom}}};
}

}  // namespace

std::unique_ptr<TFrameForm> FrameForm;

TFrameForm::TFrameForm() : ui::Form("TFrameForm", "", 0, 0, ui::Form::kNoBorder, kFrameStyle)
{
    // Opaque: a layered window shows nothing until it is told how.
    SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA);
    SetMessageHandler(WM_ERASEBKGND, [](WPARAM, LPARAM) -> LRESULT { return 1; });
    SetMessageHandler(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
        PaintRed();
        return 0;
    });
    SetMessageHandler(WM_MOUSEACTIVATE, [](WPARAM, LPARAM) -> LRESULT { return MA_NOACTIVATE; });
    // Placed and sized at every pick in the screen's own pixels: a change of
    // DPI has nothing to scale.
    SetMessageHandler(WM_DPICHANGED, [](WPARAM, LPARAM) -> LRESULT { return 0; });
}

void TFrameForm::PaintRed()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    ui::UniqueBrush red(CreateSolidBrush(kRed));
    RECT all{};
    GetClientRect(Handle(), &all);
    FillRect(dc, &all, red.Get());
    EndPaint(Handle(), &ps);
}

void TFrameForm::Surround(const RECT& bounds)
{
    const RECT outline{bounds.left + 1, bounds.top + 1, bounds.right - 2, bounds.bottom - 2};
    if (IsRectEmpty(&outline)) {
        Hide();
        outline_ = {};
        return;
    }
    if (EqualRect(&outline, &outline_) && Visible())
        return;

    // What lies beneath the new place, read before the frame covers it.
    marks_.ForgetGone();
    {
        ui::WindowDc screen(GetDesktopWindow(), ui::WindowDc::Whole);
        for (const RECT& line : Lines(outline)) {
            const RECT shown = OnScreens(line);
            const std::vector<uint32_t> beneath = PixelsOf(screen.Get(), shown);
            marks_.Add(shown, std::vector<uint32_t>(beneath.size(), kRedOnScreen), beneath);
        }
    }

    // Only the outline belongs to the window: its inside is the framed
    // window's, to see and to click.
    const int width = outline.right - outline.left, height = outline.bottom - outline.top;
    ui::UniqueRegion shape(CreateRectRgn(0, 0, width, height));
    ui::UniqueRegion inside(CreateRectRgn(1, 1, width - 1, height - 1));
    if (shape && inside && CombineRgn(shape.Get(), shape.Get(), inside.Get(), RGN_DIFF) != ERROR &&
        SetWindowRgn(Handle(), shape.Get(), FALSE))
        shape.Release();  // the window's now
    SetWindowPos(Handle(), HWND_TOPMOST, outline.left, outline.top, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    outline_ = outline;
}

ScreenMarks TFrameForm::TakeOff()
{
    Hide();
    outline_ = {};
    return std::exchange(marks_, {});
}

void CreateFrameForm()
{
    FrameForm = std::make_unique<TFrameForm>();
    Selection().frame = FrameForm.get();
}

void FreeFrameForm()
{
    Selection().frame = nullptr;
    FrameForm.reset();
}

}  // namespace snaplark
