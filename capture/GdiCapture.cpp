#include "capture/GdiCapture.h"

#include <string>
#include <utility>

#include "capture/CaptureState.h"
#include "capture/CaptureError.h"
#include "capture/GdiError.h"
#include "capture/OutputStage.h"
#include "capture/RedrawAllWindows.h"
#include "capture/ScreenGeometry.h"
#include "ui/Handles.h"
#include "ui/SystemError.h"

namespace snaplark {

namespace {

struct SourceArea {
    HWND window;               // the DC is taken from and released against it
    ui::WindowDc::Area clipboardDc;
    ui::WindowDc::Area fileDc;
    int x, y, width, height;   // the picture, in screen coordinates
};

// A screen-compatible bitmap, white until the copy lands. An area without
// pixels gives no bitmap at all (the null capture bitmap).
ui::UniqueBitmap NewCaptureBitmap(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    ui::WindowDc screen(nullptr, ui::WindowDc::Client);
    if (!screen)
        RaiseGdiFailure();
    ui::UniqueBitmap bitmap(CheckGdi(CreateCompatibleBitmap(screen.Get(), width, height)));
    ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(screen.Get())));
    ui::SelectGuard select(dc.Get(), bitmap.Get());
    PatBlt(dc.Get(), 0, 0, width, height, WHITENESS);
    return bitmap;
}

enum class Copy { Blt, Stretch };

BOOL SystemScreenCopy(HDC target, int targetX, int targetY, HDC source, int x, int y, int width,
                      int height, bool stretch)
{
    return stretch ? StretchBlt(target, targetX, targetY, width, height, source, x, y, width, height,
                                SRCCOPY)
                   : BitBlt(target, targetX, targetY, width, height, source, x, y, SRCCOPY);
}

ScreenCopy g_screenCopy = SystemScreenCopy;

// A refused copy would leave the bitmap white, and a white picture must never
// pass for the screen; nor may one of a window that no monitor shows. The
// bitmap leaves the DC again before the output stage reads it.
void CopyFromSource(HBITMAP bitmap, const ui::WindowDc& source, const SourceArea& a, Copy how)
{
    if (!bitmap)
        return;
    ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(nullptr)));
    ui::SelectGuard select(dc.Get(), bitmap);
    // A window reaching past the screens keeps its size; the part that no
    // monitor shows stays white.
    const RECT shown = OnScreens({a.x, a.y, a.x + a.width, a.y + a.height});
    if (source) {
        SetLastError(0);
        if (!IsRectEmpty(&shown) &&
            g_screenCopy(dc.Get(), shown.left - a.x, shown.top - a.y, source.Get(), shown.left,
                         shown.top, shown.right - shown.left, shown.bottom - shown.top,
                         how == Copy::Stretch))
            return;
    }
    RaiseGdiFailure("Cannot copy the screen");
}

// Declaration order gives the release order: the source DC goes first, then
// the bitmap, also when the output stage raises.
void Capture(const SourceArea& area)
{
    if (CaptureDestination == kToClipboard) {
        ui::UniqueBitmap bitmap = NewCaptureBitmap(area.width, area.height);
        ui::WindowDc source(area.window, area.clipboardDc);
        CopyFromSource(bitmap.Get(), source, area, Copy::Blt);
        PutCaptureOnClipboard(bitmap.Get());
    } else if (CaptureDestination == kToFile) {
        // Named before the screen is read: the name is the time the capture began.
        const std::string baseName = MakeCaptureFileName();
        ui::UniqueBitmap bitmap = NewCaptureBitmap(area.width, area.height);
        ui::WindowDc source(area.window, area.fileDc);
        CopyFromSource(bitmap.Get(), source, area, Copy::Stretch);
        WriteCaptureFile(bitmap.Get(), baseName);
    }
}

}  // namespace

ScreenCopy SetScreenCopy(ScreenCopy copy)
{
    return std::exchange(g_screenCopy, copy ? copy : SystemScreenCopy);
}

void CaptureFullScreen()
{
    RedrawAllWindows();
    Capture({GetDesktopWindow(), ui::WindowDc::Whole, ui::WindowDc::Whole, 0, 0,
             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

void CaptureRectangle()
{
    // Both DCs show the same screen surface.
    Capture({GetDesktopWindow(), ui::WindowDc::Whole, ui::WindowDc::Client, SelRect.Left, SelRect.Top,
             SelRect.Right - SelRect.Left, SelRect.Bottom - SelRect.Top});
}

void CaptureWindow(HWND window)
{
    RECT r{};
    SetLastError(0);
    if (!VisibleWindowBounds(window, &r)) {
        // The window is gone (closed during a timed capture, say): there is
        // no size to capture, and the user should hear why nothing came.
        std::string text = ui::SystemErrorText(GetLastError());
        if (text.empty())
            text = "Invalid window handle";
        throw Error(text);
    }
    // What the user sees there: a window's own DC gives black or stale pixels
    // for windows drawn by the graphics card and for a title bar that the
    // compositor draws, and Wine refuses it for another program's control.
    Capture({GetDesktopWindow(), ui::WindowDc::Whole, ui::WindowDc::Whole, r.left, r.top, r.right - r.left,
             r.bottom - r.top});
}

}  // namespace snaplark
