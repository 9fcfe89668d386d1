#include "capture/SelectionAids.h"

#include "app/CaptureState.h"
#include "capture/CaptureUnit.h"
#include "capture/ConfirmationSound.h"
#include "capture/GdiError.h"
#include "capture/RedrawAllWindows.h"
#include "input/HookUnit.h"
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

HWND WindowUnderCursor()
{
    POINT p{};
    GetCursorPos(&p);
    return WindowFromPoint(p);
}

// The desktop as it is now, on the overlay, which is then shown over it.
void FreezeScreenOnOverlay(TCaptureForm& overlay)
{
    RedrawAllWindows();

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    UniqueBitmap snapshot;
    {
        WindowDc screen(GetDesktopWindow(), WindowDc::Client);
        snapshot = UniqueBitmap(CheckGdi(CreateCompatibleBitmap(screen.Get(), width, height)));
        UniqueMemoryDc mem(CheckGdi(CreateCompatibleDC(screen.Get())));
        SelectGuard select(mem.Get(), snapshot.Get());
        StretchBlt(mem.Get(), 0, 0, width, height, screen.Get(), 0, 0, width, height, SRCCOPY);
    }

    SetWindowPos(overlay.Handle(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // A picture made for another screen size would show a stale or cropped
    // freeze: start a fresh one whenever the screen has changed.
    overlay.CaptureI.SetPixelBounds(0, 0, width, height);
    overlay.CaptureI.ResizeCanvas(width, height);
    {
        UniqueMemoryDc mem(CheckGdi(CreateCompatibleDC(overlay.CaptureI.Canvas())));
        SelectGuard select(mem.Get(), snapshot.Get());
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
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    WindowDc dc(window, WindowDc::Whole);
    UniqueBrush brush(CreateSolidBrush(kRed));
    const RECT frame{1, 1, width - 2, height - 2};
    FrameRect(dc.Get(), &frame, brush.Get());
}

void TrackWindowUnderCursor()
{
    const HWND now = WindowUnderCursor();
    if (now != PickedWindow)
        RedrawWindow(PickedWindow, nullptr, nullptr, kRedrawFlags);
    PickedWindow = now;
    HighlightWindow(PickedWindow);
    ui::App().ProcessMessages();
}

void StartWindowPick()
{
    PlaySoundIfWanted();
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
    if (WindowPickActive) {
        RedrawWindow(PickedWindow, nullptr, nullptr, kRedrawFlags);  // wipes the frame
        PickedWindow = nullptr;
    }
    WindowPickActive = false;
    RectSelectActive = false;
    Dragging = false;
    if (Selection().overlay)
        Selection().overlay->Hide();
    SetClickBlocking(false);
}

void DrawSelectionBand(int x, int y)
{
    HDC canvas = Selection().overlay->CaptureI.Canvas();
    LOGBRUSH hollow{BS_NULL, 0, 0};
    UniqueBrush brush(CreateBrushIndirect(&hollow));
    UniquePen pen(CreatePen(PS_DOT, 1, kRed));
    SelectGuard selectBrush(canvas, brush.Get());
    SelectGuard selectPen(canvas, pen.Get());
    const int oldMix = SetROP2(canvas, R2_NOTXORPEN);
    Rectangle(canvas, SelRect.Left, SelRect.Top, x, y);
    SetROP2(canvas, oldMix);
    Selection().overlay->CaptureI.Invalidate();
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
    if (HookThread* thread = Selection().hookThread)
        PostToHookThread(*thread, WM_BLOCK_CLICKS, on ? 1 : 0);
}

}  // namespace snaplark
