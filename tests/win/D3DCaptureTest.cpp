// Direct3D 9 full-screen capture: under Wine the real front buffer (which
// reads back black there, so the flow, sizes and formats are what count), and
// a stand-in Direct3D for the failure paths and the row copy.
#include "capture/CaptureState.h"
#include "capture/D3DCapture.h"
#include "capture/StatusText.h"
#include "tests/win/CaptureTestSupport.h"
#include "tests/win/D3DFakes.h"

#include <cstring>

using namespace capture_test;
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
        SetScreenDepthReader(nullptr);
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
        // The display mode's size, not the screen's metrics (the two differ
        // under DPI scaling): the surface and the picture follow the mode.
        width_ = 301;
        height_ = 187;
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

TEST_F(FakeD3DCapture, ThirtyTwoBitRowsAreCopiedByThePitchAtTheDisplayModeSize)
{
    ASSERT_NE(width_, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_NE(height_, GetSystemMetrics(SM_CYSCREEN));
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

// Every step of Direct3D that can fail: the error names it, what was made
// is released in reverse, and neither a file nor the clipboard is touched.
TEST_F(FakeD3DCapture, AFailingStepRaisesWhatFailedReleasesAndTouchesNothing)
{
    const std::vector<std::string> all = {"Release surface", "Release device", "Release d3d"};
    const struct {
        bool FakeD3DSetup::*fail;
        const char* text;
        std::vector<std::string> released;
    } cases[] = {
        {&FakeD3DSetup::failDisplayMode, "Cannot read the display mode through Direct3D", {"Release d3d"}},
        {&FakeD3DSetup::failCreateDevice, "Cannot create the Direct3D device", {"Release d3d"}},
        {&FakeD3DSetup::failCreateSurface, "Cannot create the Direct3D surface",
         {"Release device", "Release d3d"}},
        {&FakeD3DSetup::failFrontBuffer, "Cannot read the screen through Direct3D", all},
        {&FakeD3DSetup::failLock, "Cannot read the screen through Direct3D", all},
    };
    for (const auto& c : cases) {
        FakeD3DSetup setup = setup_;
        setup.*c.fail = true;
        for (uint8_t destination : {kToFile, kToClipboard}) {
            SetUpFakeD3D(setup);
            PutTextOnClipboard("before");
            CaptureDestination = destination;
            CaptureFormat = kFormatPng;
            EXPECT_EQ(Raised(), c.text);
            EXPECT_EQ(Releases(), c.released) << c.text;
            EXPECT_EQ(ClipboardText(), "before");
            EXPECT_TRUE(ListFiles(dir_).empty());
        }
    }
    EXPECT_TRUE(status_.empty()) << "no O.K. for a capture that did not happen";
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

int g_depth = 32;
int FixedDepth(HDC) { return g_depth; }

// The eight colours whose channels are 0 or 255: every depth holds them
// exactly (the halftone palette has them all), so every output must give
// them back unchanged. They change from pixel to pixel and row to row, so a
// shifted, unpadded, flipped or channel-swapped row shows.
uint32_t CornerColour(int x, int y)
{
    const int k = (x + 3 * y) % 8;
    return (k & 4 ? 0xFF0000u : 0) | (k & 2 ? 0x00FF00u : 0) | (k & 1 ? 0x0000FFu : 0);
}

TEST_F(FakeD3DCapture, EightSixteenAndTwentyFourBitPicturesKeepTheirPixels)
{
    Pixels expected{width_, height_, {}};
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const uint32_t c = CornerColour(x, y);
            uint8_t* p = &pixels_[static_cast<size_t>(y) * pitch_ + x * 4];
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
            p[3] = 0x5A;
            expected.rgb.push_back(c);
        }
    // Decoded after this program by readers nobody here wrote.
    const std::string checked = ExeDir() + "\\d3d-files";
    RemoveTree(checked);
    CreateDirectoryA(checked.c_str(), nullptr);
    SavePpm(expected, checked + "\\corners.ppm");

    PALETTEENTRY halftone[256] = {};
    {
        HDC screen = GetDC(nullptr);
        HPALETTE palette = CreateHalftonePalette(screen);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(GetPaletteEntries(palette, 0, 256, halftone), 256u);
        DeleteObject(palette);
    }
    const ScreenDepthReader previous = SetScreenDepthReader(FixedDepth);
    for (int depth : {8, 16, 24}) {
        g_depth = depth;
        SCOPED_TRACE(depth);
        SetUpFakeD3D(setup_);
        CaptureDestination = kToClipboard;
        CaptureFullScreenD3D();
        const auto clip = ClipboardBitmap();
        ASSERT_TRUE(clip.has_value());
        EXPECT_EQ(clip->width, width_);
        EXPECT_TRUE(clip->rgb == expected.rgb);
        const auto formats = ClipboardFormats();
        EXPECT_EQ(std::count(formats.begin(), formats.end(), CF_PALETTE), depth == 8 ? 1 : 0);

        SetUpFakeD3D(setup_);
        CaptureDestination = kToFile;
        CaptureFormat = kFormatBmp;
        CaptureFullScreenD3D();
        const auto bmp = OnlyFile("*.bmp");
        const size_t stride = (static_cast<size_t>(width_) * depth + 31) / 32 * 4;
        const size_t table = depth == 8 ? 1024 : depth == 16 ? 12 : 0;
        ASSERT_EQ(bmp.size(), 54 + table + stride * height_);
        EXPECT_EQ(Le32(bmp, 10), 54 + table);           // bfOffBits
        EXPECT_EQ(bmp[28], depth);                     // biBitCount
        EXPECT_EQ(Le32(bmp, 30), depth == 16 ? 3u : 0u);  // BI_BITFIELDS or BI_RGB
        EXPECT_EQ(Le32(bmp, 46), depth == 8 ? 256u : 0u);  // biClrUsed
        for (int i = 0; depth == 8 && i < 256; ++i)
            EXPECT_EQ(Le32(bmp, 54 + 4 * i), static_cast<uint32_t>(halftone[i].peRed << 16 |
                                                                    halftone[i].peGreen << 8 |
                                                                    halftone[i].peBlue)) << i;
        const std::string name = "d3d" + std::to_string(depth);
        HandToChecker(dir_, name + ".bmp", "corners.ppm", "exact", checked);

        SetUpFakeD3D(setup_);
        CaptureFormat = kFormatPng;
        CaptureFullScreenD3D();
        HandToChecker(dir_, name + ".png", "corners.ppm", depth == 8 ? "indexed" : "exact", checked);
    }
    SetScreenDepthReader(previous);
}

// Every Direct3D capture, and every way one fails, gives back the DCs, DIB
// sections and palettes it took. A small display mode: the size does not
// matter for a leak. The Direct3D objects are the stand-in's, whose releases
// the tests above follow.
TEST_F(FakeD3DCapture, ThousandsOfCapturesLeaveTheGdiObjectCountWhereItWas)
{
    setup_.width = 16;
    setup_.height = 12;
    const ScreenDepthReader previous = SetScreenDepthReader(FixedDepth);
    const auto capture = [this](int depth, uint8_t destination, uint8_t format,
                                bool FakeD3DSetup::*fail = nullptr) {
        return [=, this] {
            FakeD3DSetup setup = setup_;
            if (fail)
                setup.*fail = true;
            SetUpFakeD3D(setup);
            g_depth = depth;
            CaptureDestination = destination;
            CaptureFormat = format;
            CaptureFullScreenD3D();
        };
    };
    std::vector<CaptureKind> kinds;
    for (int depth : {32, 8}) {
        // The nearest-colour table of 8 bits takes some 10 ms to build; a
        // hundred rounds show a leak as plainly, the count being exact.
        const int rounds = depth == 8 ? 100 : kLeakRounds;
        const std::string bits = std::to_string(depth) + " bits ";
        kinds.push_back({bits + "to the clipboard", false, capture(depth, kToClipboard, 0), rounds});
        kinds.push_back({bits + "as PNG", false, capture(depth, kToFile, kFormatPng), rounds});
        kinds.push_back({bits + "as JPEG", false, capture(depth, kToFile, kFormatJpeg), rounds});
        kinds.push_back({bits + "as BMP", false, capture(depth, kToFile, kFormatBmp), rounds});
    }
    const struct {
        const char* name;
        bool FakeD3DSetup::*fail;
    } failures[] = {{"display mode", &FakeD3DSetup::failDisplayMode},
                    {"device", &FakeD3DSetup::failCreateDevice},
                    {"surface", &FakeD3DSetup::failCreateSurface},
                    {"front buffer", &FakeD3DSetup::failFrontBuffer},
                    {"lock", &FakeD3DSetup::failLock}};
    for (const auto& f : failures) {
        kinds.push_back({std::string("failing ") + f.name + " to the clipboard", true,
                         capture(32, kToClipboard, 0, f.fail)});
        kinds.push_back({std::string("failing ") + f.name + " to a file", true,
                         capture(32, kToFile, kFormatPng, f.fail)});
    }
    ExpectNoGdiObjectsLeft(kinds);
    SetScreenDepthReader(previous);
}

}  // namespace
