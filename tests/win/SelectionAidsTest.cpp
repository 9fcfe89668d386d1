// The red frame of a window pick and the frozen overlay of a rectangle
// selection, read back from the screen.
#include "capture/CaptureState.h"
#include "capture/CaptureUnit.h"
#include "capture/FrameUnit.h"
#include "capture/SelectionAids.h"
#include "input/HookUnit.h"
#include "tests/driver/Driver.h"
#include "tests/win/CompositorStandIn.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

using namespace driver;
using namespace snaplark;

namespace {

constexpr uint32_t kRed = 0xFF0000;

int g_clicks = 0;  // left buttons going down on the test's windows

LRESULT CALLBACK WhiteProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LBUTTONDOWN)
        ++g_clicks;
    return DefWindowProcA(w, m, wp, lp);
}

void Pump() { ui::App().ProcessMessages(); }

// The pixels of a window as the screen shows it, frame included.
Pixels WindowPixels(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The pixels of a DC from its origin.
Pixels DcPixels(HDC dc, int width, int height)
{
    HBITMAP copy = CreateCompatibleBitmap(dc, width, height);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, copy);
    BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    Pixels p = BitmapPixels(copy);
    DeleteObject(copy);
    return p;
}

// The pixels of a window as its own window DC holds them.
Pixels OwnPixels(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    HDC dc = GetWindowDC(w);
    Pixels p = DcPixels(dc, r.right - r.left, r.bottom - r.top);
    ReleaseDC(w, dc);
    return p;
}

Pixels CanvasPixels(TCaptureForm& overlay)
{
    return DcPixels(overlay.CaptureI.Canvas(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

class SelectionAids : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ui::App().Initialize();
        WNDCLASSA wc{};
        wc.lpfnWndProc = WhiteProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "SelectionTestWindow";
        RegisterClassA(&wc);
    }

    void SetUp() override
    {
        main_ = CreateWindowA("SelectionTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        hooks_ = new HookThread(main_);
        hooks_->Resume();
        overlay_ = new TCaptureForm;
        frame_ = new TFrameForm;
        Selection() = {overlay_, hooks_, [] { return false; }, frame_};
        PickedWindow = nullptr;
    }

    void TearDown() override
    {
        SetClickBlocking(false);  // never leave clicks blocked
        Selection() = {};
        StopHookThread(hooks_);
        delete overlay_;
        delete frame_;
        for (HWND w : windows_)
            DestroyWindow(w);
        DestroyWindow(main_);
        RectSelectActive = WindowPickActive = false;
        Pump();
    }

    HWND Window(int x, int y, int w, int h, DWORD style = WS_OVERLAPPEDWINDOW)
    {
        HWND win = CreateWindowA("SelectionTestWindow", "Pick me", style | WS_VISIBLE, x, y, w, h, nullptr,
                                 nullptr, nullptr, nullptr);
        windows_.push_back(win);
        SetForegroundWindow(win);
        // Activation repaints the frame: let it happen before drawing on it.
        WaitFor([&] { Pump(); return GetForegroundWindow() == win; }, 5s);
        RedrawWindow(win, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump();
        return win;
    }

    HWND main_ = nullptr;
    HookThread* hooks_ = nullptr;
    TCaptureForm* overlay_ = nullptr;
    TFrameForm* frame_ = nullptr;
    std::vector<HWND> windows_;
};

TEST_F(SelectionAids, FrameSitsOnePixelInsideLeftTopTwoInsideRightBottom)
{
    HWND w = Window(300, 200, 400, 300);
    HighlightWindow(w);
    // Wine hands window drawing to the screen a moment later: wait for it.
    Pixels p;
    WaitFor([&] { Pump(); p = WindowPixels(w); return p.At(1, 1) == kRed && p.At(397, 297) == kRed; }, 5s);
    ASSERT_EQ(p.width, 400);
    for (int y = 1; y <= 297; ++y) {
        ASSERT_EQ(p.At(1, y), kRed) << "left, y " << y;
        ASSERT_EQ(p.At(397, y), kRed) << "right, y " << y;
    }
    for (int x = 1; x <= 397; ++x) {
        ASSERT_EQ(p.At(x, 1), kRed) << "top, x " << x;
        ASSERT_EQ(p.At(x, 297), kRed) << "bottom, x " << x;
    }
    EXPECT_NE(p.At(0, 0), kRed);
    EXPECT_NE(p.At(398, 150), kRed);
    EXPECT_NE(p.At(200, 298), kRed);
    EXPECT_NE(p.At(200, 150), kRed);
    // Over the window, not painted into it: a window that the graphics card
    // draws would paint over a frame of its own pixels at once.
    EXPECT_NE(OwnPixels(w).At(1, 150), kRed);

    // Around the visible bounds, where the compositor reports them.
    const StandInCompositor compositor(StandInCompositor::Answer::VisibleBorders);
    HighlightWindow(w);
    EXPECT_TRUE(WaitFor([&] {
        Pump();
        p = WindowPixels(w);
        return p.At(8, 150) == kRed && p.At(390, 150) == kRed && p.At(200, 290) == kRed &&
               p.At(200, 1) == kRed && p.At(1, 150) != kRed && p.At(397, 150) != kRed;
    }, 5s));
}

TEST_F(SelectionAids, FrameLetsTheMouseThroughAndNeverTakesTheFocus)
{
    HWND w = Window(300, 200, 400, 300, WS_POPUP);
    ASSERT_EQ(GetForegroundWindow(), w);
    HighlightWindow(w);
    ASSERT_TRUE(WaitFor([&] { Pump(); return ScreenPixels(301, 350, 1, 1).At(0, 0) == kRed; }, 5s));
    EXPECT_EQ(GetForegroundWindow(), w) << "the frame took the focus";

    // A real click right on the frame's line reaches the window beneath...
    g_clicks = 0;
    LeftClick(301, 350);
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_clicks == 1; }, 5s)) << "the frame caught the click";
    EXPECT_EQ(GetForegroundWindow(), w);
    // ... and the pick finds that window there, not the frame.
    TrackWindowUnderCursor();
    EXPECT_EQ(PickedWindow, w);
}

TEST_F(SelectionAids, MovingToAnotherWindowRepaintsTheFirst)
{
    HWND first = Window(100, 100, 300, 200);
    HWND second = Window(500, 100, 300, 200);
    const Pixels clean = WindowPixels(first);
    MoveMouse(200, 200);
    StartWindowPick();
    EXPECT_TRUE(WindowPickActive);
    EXPECT_EQ(PickedWindow, first);
    EXPECT_TRUE(WaitFor([&] { Pump(); return WindowPixels(first).At(1, 100) == kRed; }, 5s));

    MoveMouse(600, 200);
    TrackWindowUnderCursor();
    EXPECT_EQ(PickedWindow, second);
    EXPECT_TRUE(WaitFor([&] { Pump(); return WindowPixels(first).rgb == clean.rgb; }, 5s));
    EXPECT_TRUE(WaitFor([&] { Pump(); return WindowPixels(second).At(1, 100) == kRed; }, 5s));
}

TEST_F(SelectionAids, OverlayShowsTheFrozenScreenOnTop)
{
    Window(200, 150, 500, 400);
    MoveMouse(5, 5);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    StartRectangleSelection();
    EXPECT_TRUE(RectSelectActive);
    EXPECT_EQ(SelRect.Right, 0);
    EXPECT_EQ(SelRect.Bottom, 0);
    ASSERT_TRUE(IsWindowVisible(overlay_->Handle()));
    EXPECT_TRUE(GetWindowLongA(overlay_->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r;
    GetWindowRect(overlay_->Handle(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, w);
    EXPECT_EQ(r.bottom, h);
    const Pixels frozen = CanvasPixels(*overlay_);
    EXPECT_TRUE(ScreenShows(frozen, 0, 0, 5s, Pump)) << "the overlay does not show its picture";
    // Nothing moved meanwhile, so where the test's window is, the frozen
    // picture is that window as the screen shows it. (The desktop and the
    // taskbar are another program's, which Wine may put on the screen a good
    // while after it painted them, and a read taken before the selection can
    // be older than the screen.)
    overlay_->Hide();
    Pixels window;
    window.width = 500;
    window.height = 400;
    for (int y = 150; y < 550; ++y)
        for (int x = 200; x < 700; ++x)
            window.rgb.push_back(frozen.At(x, y));
    EXPECT_TRUE(ScreenShows(window, 200, 150, 5s, Pump)) << "the frozen picture is not the window";
}

TEST_F(SelectionAids, BandDrawnTwiceLeavesThePictureAsItWas)
{
    Window(200, 150, 500, 400);
    StartRectangleSelection();
    const Pixels frozen = CanvasPixels(*overlay_);

    SelRect.Left = 300;
    SelRect.Top = 250;
    DrawSelectionBand(500, 400);
    const Pixels banded = CanvasPixels(*overlay_);
    EXPECT_NE(banded.rgb, frozen.rgb);
    DrawSelectionBand(500, 400);
    EXPECT_EQ(CanvasPixels(*overlay_).rgb, frozen.rgb);

    // The first move after the button went down draws without erasing.
    MoveMouse(450, 350);
    UpdateSelectionBand();
    EXPECT_EQ(SelRect.Right, 450);
    EXPECT_EQ(SelRect.Bottom, 350);
    MoveMouse(480, 380);
    UpdateSelectionBand();  // erases the band to (450, 350), draws to (480, 380)
    EXPECT_EQ(SelRect.Right, 480);
    EXPECT_EQ(SelRect.Bottom, 380);
    DrawSelectionBand(SelRect.Right, SelRect.Bottom);
    EXPECT_EQ(CanvasPixels(*overlay_).rgb, frozen.rgb);
}

}  // namespace
