#include "capture/SelectionAids.h"

#include <algorithm>

#include "capture/CaptureState.h"
#include "capture/CaptureUnit.h"
#include "capture/ClickShield.h"
#include "capture/ConfirmationSound.h"
#include "capture/FrameUnit.h"
#include "capture/GdiError.h"
#include "capture/RedrawAllWindows.h"
#include "capture/ScreenGeometry.h"
#include "ui/Application.h"
#include "ui/Handles.h"

namespace snaplark {

namespace {

constexpr COLORREF kRed = 0x000000FF;

void PlaySoundIfWanted()
{
    if (Selection().soundWanted && Selection().soundWanted())
        PlayConfirmationSound();
}

// During a pick the shield is under the cursor: the window is the one
// beneath it.
HWND WindowUnderCursor()
{
    POINT p{};
    GetCursorPos(&p);
    const TClickShield* shield = Selection().shield;
    return shield && shield->Visible() ? shield->WindowBeneath(p) : WindowFromPoint(p);
}

// The desktop as it is now, on the overlay, which is then shown over it.
void FreezeScreenOnOverlay(TCaptureForm& overlay)
{
    RedrawAllWindows();

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ui::UniqueBitmap snapshot;
    {
        ui::WindowDc screen(GetDesktopWindow(), ui::WindowDc::Client);
        snapshot = ui::UniqueBitmap(CheckGdi(CreateCompatibleBitmap(screen.Get(), width, height)));
        ui::UniqueMemoryDc mem(CheckGdi(CreateCompatibleDC(screen.Get())));
        ui::SelectGuard select(mem.Get(), snapshot.Get());
        StretchBlt(mem.Get(), 0, 0, width, height, screen.Get(), 0, 0, width, height, SRCCOPY);
    }

    SetWindowPos(overlay.Handle(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // A picture made for another screen size would show a stale or cropped
    // freeze: start a fresh one whenever the screen has changed.
    overlay.CaptureI.SetPixelBounds(0, 0, width, height);
    overlay.CaptureI.ResizeCanvas(width, height);
    {
        ui::UniqueMemoryDc mem(CheckGdi(CreateCompatibleDC(overlay.CaptureI.Canvas())));
        ui::SelectGuard select(mem.Get(), snapshot.Get());
        StretchBlt(overlay.CaptureI.Canvas(), 0, 0, width, height, mem.Get(), 0, 0, width, height, SRCCOPY);
    }
    snapshot.Reset();
    RedrawAllWindows();

    overlay.Show();
    SetWindowLongPtrA(overlay.Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(GetDesktopWindow()));
    SetWindowPos(overlay.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    overlay.CaptureI.Invalidate();
    UpdateWindow(overlay.CaptureI.Handle());
    ui::App().ProcessMessages();
}

}  // namespace

SelectionContext& Selection()
{
    static SelectionContext context;
    return context;
}

void HighlightWindow(HWND window)
{
    TFrameForm* frame = Selection().frame;
    if (!frame)
        return;
    RECT bounds{};
    if (!VisibleWindowBounds(window, &bounds))
        bounds = {};  // no room for a frame: it hides
    frame->Surround(bounds);
}

void TrackWindowUnderCursor()
{
    PickedWindow = WindowUnderCursor();
    HighlightWindow(PickedWindow);
    ui::App().ProcessMessages();
}

ScreenMarks TakeWindowFrameOff()
{
    if (TClickShield* shield = Selection().shield)
        shield->TakeOff();
    if (TFrameForm* frame = Selection().frame)
        return frame->TakeOff();
    return {};
}

void StartWindowPick()
{
    PlaySoundIfWanted();
    if (TClickShield* shield = Selection().shield)
        shield->Raise();
    PickedWindow = WindowUnderCursor();
    HighlightWindow(PickedWindow);
    ui::App().ProcessMessages();
    SetClickBlocking(true);
    WindowPickActive = true;
}

void StartRectangleSelection()
{
    TCaptureForm& overlay = *Selection().overlay;
    PlaySoundIfWanted();
    // Clicks are kept from the programs underneath from the first moment; the
    // selection takes mouse events only once its overlay is up, so nothing
    // handled while the screen is frozen can end it half-made.
    SetClickBlocking(true);
    try {
        FreezeScreenOnOverlay(overlay);
    } catch (...) {
        CancelSelections();
        throw;
    }
    SelRect.Right = 0;
    SelRect.Bottom = 0;
    RectSelectActive = true;
}

void CancelSelections()
{
    if (WindowPickActive)
        PickedWindow = nullptr;
    // Cleared first: taking the frame off may handle waiting mouse events,
    // which must find no selection to end.
    WindowPickActive = false;
    RectSelectActive = false;
    Dragging = false;
    TakeWindowFrameOff();
    if (Selection().overlay)
        Selection().overlay->Hide();
    SetClickBlocking(false);
}

void DrawSelectionBand(int x, int y)
{
    HDC canvas = Selection().overlay->CaptureI.Canvas();
    LOGBRUSH hollow{BS_NULL, 0, 0};
    ui::UniqueBrush brush(CreateBrushIndirect(&hollow));
    ui::UniquePen pen(CreatePen(PS_DOT, 1, kRed));
    ui::SelectGuard selectBrush(canvas, brush.Get());
    ui::SelectGuard selectPen(canvas, pen.Get());
    const int oldMix = SetROP2(canvas, R2_NOTXORPEN);
    Rectangle(canvas, SelRect.Left, SelRect.Top, x, y);
    SetROP2(canvas, oldMix);
    // Only the band's four edges change: the rest of the frozen picture is
    // not shown anew on every move.
    const LONG left = std::min<LONG>(SelRect.Left, x), right = std::max<LONG>(SelRect.Left, x);
    const LONG top = std::min<LONG>(SelRect.Top, y), bottom = std::max<LONG>(SelRect.Top, y);
    ui::Image& picture = Selection().overlay->CaptureI;
    picture.Invalidate({left - 1, top - 1, right + 1, top + 2});
    picture.Invalidate({left - 1, bottom - 2, right + 1, bottom + 1});
    picture.Invalidate({left - 1, top - 1, left + 2, bottom + 1});
    picture.Invalidate({right - 2, top - 1, right + 1, bottom + 1});
}

void UpdateSelectionBand()
{
    if (SelRect.Right != 0 || SelRect.Bottom != 0)
        DrawSelectionBand(SelRect.Right, SelRect.Bottom);
    POINT p{};
    GetCursorPos(&p);
    SelRect.Right = p.x;
    SelRect.Bottom = p.y;
    DrawSelectionBand(SelRect.Right, SelRect.Bottom);
}

void SetClickBlocking(bool on)
{
    if (ClickBlocking* blocker = Selection().clickBlocker)
        blocker->BlockClicks(on);
}

}  // namespace snaplark
