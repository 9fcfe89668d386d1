// Screen, rectangle and window captures against the pixels on the screen,
// to the clipboard and into files that the host-side checker decodes.
#include "capture/GdiCapture.h"
#include "capture/OutputStage.h"
#include "capture/RedrawAllWindows.h"
#include "tests/win/CaptureTestSupport.h"
#include "tests/win/CompositorStandIn.h"
#include "ui/ApplicationWindow.h"
#include "ui/SystemError.h"

#include <commctrl.h>

using namespace capture_test;
using namespace snaplark;
using namespace snaplark::ui;

namespace {

// The checked folder starts empty in every run.
class CheckedFilesFolder : public ::testing::Environment {
public:
    void SetUp() override
    {
        RemoveTree(CheckedFilesDir());
        CreateDirectoryA(CheckedFilesDir().c_str(), nullptr);
    }
};
const auto* const g_folder = ::testing::AddGlobalTestEnvironment(new CheckedFilesFolder);

class GdiCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCaptureState();
        app_ = CreateWindowExA(0, "STATIC", "Snaplark", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               nullptr, nullptr);
        SetApplicationWindow(app_);
        dir_ = MakeTempDir("snaplark_gdi");
        EmptyTheClipboard();
    }
    void TearDown() override
    {
        SetApplicationWindow(nullptr);
        DestroyWindow(app_);
        RemoveTree(dir_);
        ResetCaptureState();
    }

    HWND app_ = nullptr;
    std::string dir_;
};

void ExpectSamePixels(const Pixels& actual, const Pixels& expected)
{
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    size_t differing = 0;
    for (size_t i = 0; i < actual.rgb.size(); ++i)
        differing += actual.rgb[i] != expected.rgb[i];
    EXPECT_EQ(differing, 0u);
}

TEST_F(GdiCapture, RectangleIsReadFromTheScreenWithRightAndBottomExclusive)
{
    PatternWindow pattern(0, 0, 480, 360, WS_POPUP);
    ASSERT_TRUE(pattern.WaitUntilShown());
    SelRect = {100, 50, 300, 250};

    CaptureRectangle();
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ASSERT_EQ(clip->width, 200);
    ASSERT_EQ(clip->height, 200);
    EXPECT_EQ(clip->At(0, 0), ScreenPixels(100, 50, 1, 1).At(0, 0));
    EXPECT_EQ(clip->At(199, 199), ScreenPixels(299, 249, 1, 1).At(0, 0));
    EXPECT_EQ(clip->At(0, 0), PatternAt(100, 50));
    EXPECT_EQ(clip->At(199, 199), PatternAt(299, 249));
    ExpectSamePixels(*clip, ScreenPixels(100, 50, 200, 200));
}

TEST_F(GdiCapture, RectangleFilesInEveryFormatGoToTheChecker)
{
    PatternWindow pattern(0, 0, 480, 360, WS_POPUP);
    ASSERT_TRUE(pattern.WaitUntilShown());
    SelRect = {100, 50, 300, 250};
    CaptureDestination = kToFile;
    CaptureDirectory = dir_;

    const Pixels before = ScreenPixels(100, 50, 200, 200);
    const struct {
        uint8_t format;
        const char* name;
        const char* match;
    } cases[] = {{kFormatPng, "rect.png", "exact"},
                 {kFormatJpeg, "rect.jpg", "jpeg"},
                 {kFormatBmp, "rect.bmp", "exact"}};
    for (const auto& c : cases) {
        CaptureFormat = c.format;
        CaptureRectangle();
        HandToChecker(dir_, c.name, "rect.ppm", c.match);
    }
    const Pixels after = ScreenPixels(100, 50, 200, 200);
    ExpectSamePixels(after, before);  // the screen held still throughout
    SavePpm(after, CheckedFilesDir() + "\\rect.ppm");

    // The BMP is a screen-depth DIB of exactly these pixels.
    const auto bmp = ReadFileBytes(CheckedFilesDir() + "\\rect.bmp");
    ASSERT_EQ(bmp.size(), 160054u);  // 32 bits per pixel under the test desktop
    EXPECT_EQ(bmp[10], 54);
}

TEST_F(GdiCapture, WindowCaptureIncludesTheFrameAndFollowsTheWindowSize)
{
    PatternWindow pattern(520, 120, 300, 220, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(pattern.WaitUntilShown());
    RECT r{};
    GetWindowRect(pattern.Handle(), &r);
    RECT client{};
    GetClientRect(pattern.Handle(), &client);
    ASSERT_LT(client.bottom, r.bottom - r.top);  // there is a frame to capture

    CaptureWindow(pattern.Handle());
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ExpectSamePixels(*clip, ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top));

    // Into a file, after the window has been resized.
    SetWindowPos(pattern.Handle(), nullptr, 0, 0, 260, 180, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(pattern.WaitUntilShown());
    GetWindowRect(pattern.Handle(), &r);
    CaptureDestination = kToFile;
    CaptureDirectory = dir_;
    CaptureFormat = kFormatPng;
    CaptureWindow(pattern.Handle());
    HandToChecker(dir_, "window.png", "window.ppm", "exact");
    SavePpm(ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top),
            CheckedFilesDir() + "\\window.ppm");
}

TEST_F(GdiCapture, WindowCaptureLeavesOutTheInvisibleBordersTheCompositorReports)
{
    PatternWindow pattern(520, 120, 300, 220, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(pattern.WaitUntilShown());
    RECT r{};
    GetWindowRect(pattern.Handle(), &r);
    {
        const StandInCompositor compositor(StandInCompositor::Answer::VisibleBorders);
        CaptureWindow(pattern.Handle());
    }
    auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ExpectSamePixels(*clip, ScreenPixels(r.left + 7, r.top, r.right - r.left - 14, r.bottom - r.top - 7));

    // Bounds in other units than the window rectangle's, or none: the window
    // rectangle (as with Wine's own answer, in the test above).
    for (const auto answer : {StandInCompositor::Answer::PhysicalPixels, StandInCompositor::Answer::None}) {
        const StandInCompositor compositor(answer);
        CaptureWindow(pattern.Handle());
        clip = ClipboardBitmap();
        ASSERT_TRUE(clip.has_value());
        EXPECT_EQ(clip->width, r.right - r.left);
        EXPECT_EQ(clip->height, r.bottom - r.top);
    }
}

// A window the compositor keeps off the screen (on another virtual desktop,
// a suspended store app) is not asked to repaint: it shows nothing, and a
// frozen one would only cost the wait.
TEST_F(GdiCapture, TheRepaintPassesCloakedWindowsBy)
{
    PatternWindow pattern(520, 120, 200, 100, WS_POPUP | WS_VISIBLE);
    int paints = 0;
    SetWindowSubclass(
        pattern.Handle(),
        [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) -> LRESULT {
            if (m == WM_PAINT)
                ++*reinterpret_cast<int*>(data);
            return DefSubclassProc(w, m, wp, lp);
        },
        1, reinterpret_cast<DWORD_PTR>(&paints));
    const StandInCompositor compositor(StandInCompositor::Answer::None);
    for (const bool cloaked : {true, false}) {
        StandInCompositor::cloaked = cloaked ? pattern.Handle() : nullptr;
        paints = 0;
        RedrawAllWindows();
        EXPECT_EQ(paints != 0, !cloaked) << (cloaked ? "cloaked" : "shown");
    }
    StandInCompositor::cloaked = nullptr;
}

TEST_F(GdiCapture, WindowCaptureIsWhatTheScreenShowsThere)
{
    // A window's own pixels are not what the user sees where another window
    // covers it, nor (on Windows) where the graphics card or the compositor
    // draws it: the capture is the screen.
    PatternWindow pattern(520, 120, 300, 220, WS_POPUP);
    ASSERT_TRUE(pattern.WaitUntilShown());
    PatternWindow cover(700, 250, 200, 150, WS_POPUP);
    ASSERT_TRUE(cover.WaitUntilShown());
    CaptureWindow(pattern.Handle());
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ASSERT_EQ(clip->width, 300);
    EXPECT_EQ(clip->At(180, 130), PatternAt(0, 0)) << "not the window on top";
    EXPECT_TRUE(ScreenShows(*clip, 520, 120, 5s, Pump));
}

TEST_F(GdiCapture, WindowReachingPastTheScreenKeepsItsSizeAndOneOffItFails)
{
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    PatternWindow pattern(-100, screenHeight - 120, 300, 220, WS_POPUP);
    ASSERT_TRUE(PumpUntil([&] {
        return ScreenPixels(0, screenHeight - 120, 1, 1).At(0, 0) == PatternAt(100, 0);
    }));
    CaptureWindow(pattern.Handle());
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ASSERT_EQ(clip->width, 300);
    ASSERT_EQ(clip->height, 220);
    EXPECT_EQ(clip->At(100, 0), PatternAt(100, 0));
    EXPECT_EQ(clip->At(299, 119), PatternAt(299, 119));
    // What no monitor shows stays white.
    EXPECT_EQ(clip->At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(clip->At(99, 219), 0xFFFFFFu);
    EXPECT_EQ(clip->At(299, 120), 0xFFFFFFu);

    SetWindowPos(pattern.Handle(), nullptr, -1000, -1000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CaptureDestination = kToFile;
    CaptureDirectory = dir_;
    EXPECT_EQ(BoxTextOf([&] { CaptureWindow(pattern.Handle()); }), "Cannot copy the screen.");
    EXPECT_TRUE(ListFiles(dir_).empty());
}

TEST_F(GdiCapture, VanishedWindowRaisesTheSystemTextAndWritesNothing)
{
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
    DestroyWindow(gone);
    const std::string expected = SystemErrorText(ERROR_INVALID_WINDOW_HANDLE);
    const std::string text = expected.empty() ? "Invalid window handle" : expected;

    CaptureDestination = kToFile;
    CaptureDirectory = dir_;
    EXPECT_EQ(BoxTextOf([&] { CaptureWindow(gone); }), text + ".");
    EXPECT_TRUE(ListFiles(dir_).empty());

    CaptureDestination = kToClipboard;
    EXPECT_EQ(BoxTextOf([&] { CaptureWindow(gone); }), text + ".");
}

TEST_F(GdiCapture, FullScreenIsThePrimaryMonitor)
{
    PatternWindow pattern(0, 0, 200, 100, WS_POPUP);
    ASSERT_TRUE(pattern.WaitUntilShown());
    CaptureFullScreen();
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(clip->width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(clip->height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(clip->At(0, 0), PatternAt(0, 0));
    EXPECT_EQ(clip->At(199, 99), PatternAt(199, 99));
}

TEST_F(GdiCapture, ClickWithoutDragGivesEmptyFilesAndLeavesTheClipboardAlone)
{
    SelRect = {40, 40, 40, 40};
    CaptureDestination = kToFile;
    CaptureDirectory = dir_;
    for (uint8_t format : {kFormatPng, kFormatJpeg, kFormatBmp}) {
        CaptureFormat = format;
        EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), "");
    }
    const auto files = ListFiles(dir_);
    ASSERT_EQ(files.size(), 3u);
    for (const auto& f : files)
        EXPECT_TRUE(ReadFileBytes(dir_ + "\\" + f).empty()) << f;

    // What the user had copied is not lost to a capture with nothing in it.
    CaptureDestination = kToClipboard;
    PutTextOnClipboard("copied before");
    SelRect = {40, 40, 40, 90};
    EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), "");
    EXPECT_EQ(ClipboardText(), "copied before");
}

BOOL RefusedCopy(HDC, int, int, HDC, int, int, int, int, bool)
{
    SetLastError(ERROR_ACCESS_DENIED);  // as on a locked workstation
    return FALSE;
}

// Screen copies are refused while it lives.
struct RefusingCopies {
    RefusingCopies() : previous(SetScreenCopy(RefusedCopy)) {}
    ~RefusingCopies() { SetScreenCopy(previous); }
    RefusingCopies(const RefusingCopies&) = delete;
    RefusingCopies& operator=(const RefusingCopies&) = delete;
    ScreenCopy previous;
};

TEST_F(GdiCapture, RefusedScreenCopyRaisesTheSystemTextAndPlacesNothing)
{
    const std::string reason = SystemErrorText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(reason.empty());
    const RefusingCopies refusing;
    SelRect = {0, 0, 30, 30};
    PutTextOnClipboard("copied before");
    CaptureDestination = kToClipboard;
    EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), reason + ".");
    EXPECT_EQ(ClipboardText(), "copied before");

    CaptureDestination = kToFile;
    CaptureDirectory = dir_;
    for (uint8_t format : {kFormatPng, kFormatJpeg, kFormatBmp}) {
        CaptureFormat = format;
        EXPECT_EQ(BoxTextOf([] { CaptureFullScreen(); }), reason + ".");
    }
    EXPECT_TRUE(ListFiles(dir_).empty());
}

// A full-screen capture takes some 30 ms here. The count is exact, so a
// hundred show a leak as plainly as a thousand, in a tenth of the time.
constexpr int kFullScreenRounds = 100;

// Wine makes a bitmap handed to SetClipboardData the system's even when the
// clipboard refuses it, and DeleteObject then leaves it alive: the objects
// one refusal keeps besides the capture's own (none on Windows).
int KeptByARefusal(const ClipboardSnatcher& snatcher, HWND owner)
{
    snatcher.Own("kept");
    const int before = LiveGdiObjects();
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    OpenClipboard(owner);
    EmptyClipboard();
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), nullptr);
    CloseClipboard();
    DeleteObject(bitmap);
    return LiveGdiObjects() - before;
}

// Every capture, and every way one fails, gives back each DC, bitmap and
// palette it took: a thousand of each leave the process's GDI objects as
// they were. Small areas: the size does not matter for a leak.
TEST_F(GdiCapture, ThousandsOfCapturesLeaveTheGdiObjectCountWhereItWas)
{
    const int start = LiveGdiObjects();
    ASSERT_GT(start, 0);
    HBITMAP probe = CreateBitmap(1, 1, 1, 32, nullptr);
    EXPECT_EQ(LiveGdiObjects(), start + 1) << "the count must see one bitmap more";
    DeleteObject(probe);
    EXPECT_EQ(LiveGdiObjects(), start);

    PatternWindow pattern(600, 100, 80, 60, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(pattern.WaitUntilShown());
    const HWND window = pattern.Handle();
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
    DestroyWindow(gone);
    const ClipboardSnatcher snatcher;
    const int keptByARefusal = KeptByARefusal(snatcher, app_);
    SelRect = {10, 10, 26, 22};
    const auto toFile = [this](uint8_t format, const char* subfolder = "") {
        CaptureDestination = kToFile;
        CaptureFormat = format;
        CaptureDirectory = dir_ + subfolder;
    };
    const auto toClipboard = [] { CaptureDestination = kToClipboard; };
    ExpectNoGdiObjectsLeft({
        {"rectangle to the clipboard", false, [&] { toClipboard(); CaptureRectangle(); }},
        {"rectangle as PNG", false, [&] { toFile(kFormatPng); CaptureRectangle(); }},
        {"rectangle as JPEG", false, [&] { toFile(kFormatJpeg); CaptureRectangle(); }},
        {"rectangle as BMP", false, [&] { toFile(kFormatBmp); CaptureRectangle(); }},
        {"window to the clipboard", false, [&] { toClipboard(); CaptureWindow(window); }},
        {"window as PNG", false, [&] { toFile(kFormatPng); CaptureWindow(window); }},
        {"full screen to the clipboard", false, [&] { toClipboard(); CaptureFullScreen(); },
         kFullScreenRounds},
        {"click without a drag", false, [&] {
             toClipboard();
             const SelectionRect area = SelRect;
             SelRect.Right = SelRect.Left;
             CaptureRectangle();
             SelRect = area;
         }},
        {"refused copy", true, [&] {
             const RefusingCopies refusing;
             toClipboard();
             CaptureRectangle();
         }},
        {"refused copy to a file", true, [&] {
             const RefusingCopies refusing;
             toFile(kFormatPng);
             CaptureRectangle();
         }},
        {"clipboard refusing the picture", true, [&] {
             snatcher.Own("kept");
             toClipboard();
             CaptureRectangle();
         }, kLeakRounds, keptByARefusal},
        {"missing directory, PNG", true, [&] { toFile(kFormatPng, "\\missing"); CaptureRectangle(); }},
        {"missing directory, BMP", true, [&] { toFile(kFormatBmp, "\\missing"); CaptureRectangle(); }},
        {"vanished window", true, [&] { toClipboard(); CaptureWindow(gone); }},
    });
}

}  // namespace
