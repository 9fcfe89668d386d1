// Direct3D 9 full-screen capture: under Wine the real front buffer (which
// reads back black there, so the flow, sizes and formats are what count), and
// a stand-in Direct3D for the failure paths and the row copy.
#include "app/CaptureState.h"
#include "capture/D3DCapture.h"
#include "capture/StatusText.h"
#include "tests/driver/Driver.h"
#include "tests/win/D3DFakes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace driver;
using namespace snaplark;

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at)
{
    return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

// Width and height from a JPEG's SOF0 marker.
std::pair<int, int> JpegSize(const std::vector<uint8_t>& b)
{
    for (size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC0)
            return {(b[i + 7] << 8) | b[i + 8], (b[i + 5] << 8) | b[i + 6]};
    return {0, 0};
}

void PutTextOnClipboard(const char* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    std::memcpy(GlobalLock(mem), text, strlen(text) + 1);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
}

std::string ClipboardText()
{
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
    }
    return text;
}

class D3DCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("d3d");
        CaptureDirectory = dir_;
        SetStatusTextSink([this](const std::string& t) { status_.push_back(t); });
        width_ = GetSystemMetrics(SM_CXSCREEN);
        height_ = GetSystemMetrics(SM_CYSCREEN);
    }

    void TearDown() override
    {
        SetStatusTextSink({});
        SetDirect3DFactory(nullptr);
        CaptureDestination = kToClipboard;
        CaptureDirectory.clear();
        RemoveTree(dir_);
    }

    std::vector<uint8_t> OnlyFile(const char* pattern)
    {
        const auto names = ListFiles(dir_, pattern);
        EXPECT_EQ(names.size(), 1u);
        return names.empty() ? std::vector<uint8_t>{} : ReadFileBytes(dir_ + "\\" + names[0]);
    }

    std::string dir_;
    std::vector<std::string> status_;
    int width_ = 0, height_ = 0;
};

TEST_F(D3DCapture, WritesEachFormatAtScreenSizeAndSaysOK)
{
    CaptureDestination = kToFile;

    CaptureFormat = kFormatBmp;
    CaptureFullScreenD3D();
    const auto bmp = OnlyFile("*.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(static_cast<int>(Le32(bmp, 18)), width_);
    EXPECT_EQ(static_cast<int>(Le32(bmp, 22)), height_);
    EXPECT_EQ(bmp[28], 32);                                              // biBitCount
    EXPECT_EQ(bmp.size(), 54u + static_cast<size_t>(width_) * height_ * 4);

    CaptureFormat = kFormatPng;
    CaptureFullScreenD3D();
    const auto png = OnlyFile("*.png");
    ASSERT_GE(png.size(), 33u);
    EXPECT_EQ(static_cast<int>(Be32(png, 16)), width_);
    EXPECT_EQ(static_cast<int>(Be32(png, 20)), height_);
    EXPECT_EQ(png[25], 2);  // truecolour

    CaptureFormat = kFormatJpeg;
    CaptureFullScreenD3D();
    EXPECT_EQ(JpegSize(OnlyFile("*.jpg")), std::make_pair(width_, height_));

    EXPECT_EQ(status_, (std::vector<std::string>{"O.K.", "O.K.", "O.K."}));
}

TEST_F(D3DCapture, ClipboardGetsTheBitmapAndTheStatusStays)
{
    CaptureDestination = kToClipboard;
    EmptyTheClipboard();
    CaptureFullScreenD3D();
    const auto pixels = ClipboardBitmap();
    ASSERT_TRUE(pixels.has_value());
    EXPECT_EQ(pixels->width, width_);
    EXPECT_EQ(pixels->height, height_);
    EXPECT_TRUE(status_.empty());
    EXPECT_TRUE(ListFiles(dir_).empty());
}

IDirect3D9* WINAPI NoDirect3D(UINT) { return nullptr; }

TEST_F(D3DCapture, WithoutDirect3DSaysSoAndTouchesNothing)
{
    SetDirect3DFactory(NoDirect3D);
    for (uint8_t destination : {kToClipboard, kToFile}) {
        PutTextOnClipboard("before");
        CaptureDestination = destination;
        CaptureFormat = kFormatPng;
        CaptureFullScreenD3D();
        EXPECT_EQ(ClipboardText(), "before");
        EXPECT_TRUE(ListFiles(dir_).empty());
    }
    EXPECT_EQ(status_, (std::vector<std::string>{"DirectX not found!", "DirectX not found!"}));
}

class FakeD3DCapture : public D3DCapture {
protected:
    void SetUp() override
    {
        D3DCapture::SetUp();
        pitch_ = width_ * 4 + 64;  // a pitch wider than the row: padding must be skipped
        pixels_.assign(static_cast<size_t>(pitch_) * height_, 0xAB);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                uint8_t* p = &pixels_[static_cast<size_t>(y) * pitch_ + x * 4];
                p[0] = static_cast<uint8_t>(x);        // blue
                p[1] = static_cast<uint8_t>(y);        // green
                p[2] = static_cast<uint8_t>(x ^ y);    // red
                p[3] = static_cast<uint8_t>(x + y);    // alpha, copied as it comes
            }
        setup_.width = width_;
        setup_.height = height_;
        setup_.pitch = pitch_;
        setup_.pixels = pixels_.data();
        SetDirect3DFactory(FakeDirect3DCreate9);
    }

    std::vector<std::string> Releases()
    {
        std::vector<std::string> out;
        for (const auto& c : FakeD3DCalls())
            if (c.rfind("Release", 0) == 0 || c == "UnlockRect")
                out.push_back(c);
        return out;
    }

    std::string Raised()
    {
        try {
            CaptureFullScreenD3D();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    }

    int pitch_ = 0;
    std::vector<uint8_t> pixels_;
    FakeD3DSetup setup_;
};

TEST_F(FakeD3DCapture, ThirtyTwoBitRowsAreCopiedExactlyByThePitch)
{
    SetUpFakeD3D(setup_);
    CaptureDestination = kToFile;
    CaptureFormat = kFormatBmp;
    CaptureFullScreenD3D();
    const auto bmp = OnlyFile("*.bmp");
    ASSERT_EQ(bmp.size(), 54u + static_cast<size_t>(width_) * height_ * 4);
    // The file's rows are bottom-up; each must be the surface row, alpha too.
    for (int y = 0; y < height_; ++y)
        ASSERT_EQ(std::memcmp(&bmp[54 + static_cast<size_t>(height_ - 1 - y) * width_ * 4],
                              &pixels_[static_cast<size_t>(y) * pitch_], static_cast<size_t>(width_) * 4),
                  0)
            << "row " << y;

    const std::string sdk = "Direct3DCreate9 " + std::to_string(0x80000020);
    const auto& calls = FakeD3DCalls();
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0], sdk);
    EXPECT_EQ(calls[1], "GetAdapterDisplayMode");
    EXPECT_EQ(calls[2], "CreateDevice 0 1 desktop 64 windowed 1 swap 1 flags 1 format 22");
    EXPECT_EQ(calls[3], "CreateOffscreenPlainSurface " + std::to_string(width_) + "x" +
                            std::to_string(height_) + " format 21 pool 3");
    EXPECT_EQ(calls[4], "GetFrontBufferData 0");
    EXPECT_EQ(calls[5], "LockRect " + std::to_string(width_) + "x" + std::to_string(height_) +
                            " flags " + std::to_string(0x8810));
    EXPECT_EQ(Releases(), (std::vector<std::string>{"UnlockRect", "Release surface", "Release device",
                                                    "Release d3d"}));
    EXPECT_EQ(status_, std::vector<std::string>{"O.K."});
}

TEST_F(FakeD3DCapture, AnUnreadableFrontBufferEndsWithoutAFile)
{
    for (bool failLock : {false, true}) {
        setup_.failFrontBuffer = !failLock;
        setup_.failLock = failLock;
        for (uint8_t destination : {kToFile, kToClipboard}) {
            SetUpFakeD3D(setup_);
            CaptureDestination = destination;
            CaptureFormat = kFormatPng;
            EXPECT_EQ(Raised(), "Cannot read the screen through Direct3D");
            EXPECT_TRUE(ListFiles(dir_).empty());
            const auto released = Releases();
            ASSERT_GE(released.size(), 3u);
            EXPECT_EQ(std::vector<std::string>(released.end() - 3, released.end()),
                      (std::vector<std::string>{"Release surface", "Release device", "Release d3d"}));
            EXPECT_EQ(std::count(released.begin(), released.end(), "UnlockRect"), 0);
        }
    }
    EXPECT_TRUE(status_.empty());
}

TEST_F(FakeD3DCapture, AFailingOutputStageStillReleasesEverything)
{
    SetUpFakeD3D(setup_);
    CaptureDestination = kToFile;
    CaptureFormat = kFormatPng;
    CaptureDirectory = dir_ + "\\missing";
    EXPECT_NE(Raised().find("Cannot create file"), std::string::npos);
    EXPECT_EQ(Releases(), (std::vector<std::string>{"UnlockRect", "Release surface", "Release device",
                                                    "Release d3d"}));
    EXPECT_TRUE(status_.empty());
}

}  // namespace
