// Screen, rectangle and window captures against the pixels on the screen,
// to the clipboard and into files that the host-side checker decodes.
#include "capture/GdiCapture.h"
#include "capture/OutputStage.h"
#include "tests/win/CaptureTestSupport.h"
#include "ui/ApplicationWindow.h"
#include "ui/SystemError.h"

using namespace capture_test;
using namespace snaplark;

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

TEST_F(GdiCapture, ClickWithoutDragGivesEmptyFilesAndAnEmptiedClipboard)
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

    CaptureDestination = kToClipboard;
    SelRect = {40, 40, 90, 90};
    CaptureRectangle();
    ASSERT_TRUE(ClipboardBitmap().has_value());
    SelRect = {40, 40, 40, 90};
    EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), "");
    EXPECT_FALSE(ClipboardBitmap().has_value());
}

}  // namespace
