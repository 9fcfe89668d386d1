// The output stage on its own: names, file errors, short writes, DIB
// sections with a palette or bit fields, the clipboard held elsewhere or
// refusing the picture, and the sound and status seams.
#include "capture/ConfirmationSound.h"
#include "capture/FileSink.h"
#include "capture/GdiCapture.h"
#include "capture/OutputStage.h"
#include "capture/PngEncoder.h"
#include "capture/StatusText.h"
#include "tests/win/CaptureTestSupport.h"
#include "ui/ApplicationWindow.h"
#include "ui/SystemError.h"

#include <algorithm>
#include <cstring>
#include <pthread.h>
#include <thread>

using namespace capture_test;
using namespace snaplark;
using namespace snaplark::ui;

namespace {

class OutputStage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCaptureState();
        app_ = CreateWindowExA(0, "STATIC", "Snaplark", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               nullptr, nullptr);
        SetApplicationWindow(app_);
        dir_ = MakeTempDir("snaplark_out");
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

// An 8-bit bottom-up DIB section with its own colour table, like the
// Direct3D capture on a 256-colour display.
struct PaletteSection {
    static constexpr int kWidth = 61, kHeight = 37;  // odd width: padded rows
    HBITMAP bitmap = nullptr;
    RGBQUAD colors[256];

    PaletteSection()
    {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[256];
        } info{};
        info.h = {sizeof info.h, kWidth, kHeight, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
        for (int i = 0; i < 256; ++i)
            colors[i] = info.c[i] = {static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i),
                                     static_cast<BYTE>(i), 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
        const size_t stride = (kWidth + 3) & ~3;
        for (int y = 0; y < kHeight; ++y)  // y counts from the top
            for (int x = 0; x < kWidth; ++x)
                static_cast<uint8_t*>(bits)[(kHeight - 1 - y) * stride + x] = Index(x, y);
    }
    ~PaletteSection() { DeleteObject(bitmap); }

    // Flat 8 x 8 blocks, so the JPEG of it is judged on colour, not on noise.
    static uint8_t Index(int x, int y) { return static_cast<uint8_t>((x / 8 + y / 8 * 8) * 9); }
    uint32_t Rgb(int x, int y) const
    {
        const RGBQUAD& q = colors[Index(x, y)];
        return (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
    Pixels Expected() const
    {
        Pixels p;
        p.width = kWidth;
        p.height = kHeight;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                p.rgb.push_back(Rgb(x, y));
        return p;
    }
};

uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST_F(OutputStage, PaletteSectionGivesIndexedPngAndPaletteOnTheClipboard)
{
    PaletteSection section;

    PutCaptureOnClipboard(section.bitmap);
    const auto formats = ClipboardFormats();
    EXPECT_NE(std::find(formats.begin(), formats.end(), CF_PALETTE), formats.end());
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    ASSERT_EQ(clip->width, PaletteSection::kWidth);
    EXPECT_EQ(clip->At(0, 0), section.Rgb(0, 0));
    EXPECT_EQ(clip->At(60, 36), section.Rgb(60, 36));
    EXPECT_EQ(clip->At(17, 5), section.Rgb(17, 5));

    const std::string png = CheckedFilesDir() + "\\palette8.png";
    WritePngFile(section.bitmap, png);
    const auto bytes = ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 33u + 12 + 768);
    EXPECT_EQ(bytes[24], 8);   // bit depth
    EXPECT_EQ(bytes[25], 3);   // indexed colour
    EXPECT_EQ(std::string(bytes.begin() + 37, bytes.begin() + 41), "PLTE");
    EXPECT_EQ(bytes[35], 0x03);  // 768 bytes of palette: 256 entries
    EXPECT_EQ(bytes[36], 0x00);

    // The BMP keeps the section as it is: 256-entry table, then the rows.
    const std::string bmpName = CheckedFilesDir() + "\\palette8.bmp";
    WriteBmpFile(section.bitmap, bmpName);
    const auto bmp = ReadFileBytes(bmpName);
    EXPECT_EQ(U32At(bmp, 10), 1078u);
    EXPECT_EQ(U32At(bmp, 46), 256u);
    EXPECT_EQ(bmp.size(), 1078u + 64 * 37);

    WriteJpegFile(section.bitmap, CheckedFilesDir() + "\\palette8.jpg");
    SavePpm(section.Expected(), CheckedFilesDir() + "\\palette8.ppm");
    FILE* m = std::fopen((CheckedFilesDir() + "\\manifest.txt").c_str(), "a");
    ASSERT_NE(m, nullptr);
    std::fputs("palette8.png palette8.ppm indexed\npalette8.bmp palette8.ppm exact\n"
               "palette8.jpg palette8.ppm jpeg\n", m);
    std::fclose(m);
}

// The PNG writer's deflate threads: the calling thread and a worker for each
// further core as the system counts them (a screen gives more stripes than
// the most threads), the workers at idle priority, below every normal
// program, and the calling thread keeps its own. The program's writer gives
// the same file, and the host checks it with pngcheck and every pixel.
TEST_F(OutputStage, PngWorkersRunAtIdlePriorityBesideTheCallingThread)
{
    constexpr int w = 1920, h = 1080;
    BITMAPINFOHEADER info{sizeof info, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                       &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    const size_t stride = (3 * w + 3) & ~size_t{3};
    Pixels expected;
    expected.width = w;
    expected.height = h;
    for (int y = 0; y < h; ++y)  // y counts from the top
        for (int x = 0; x < w; ++x) {
            // The blocks with some noise, so deflate has work to do.
            const uint32_t rgb = PatternAt(x, y) ^ ((static_cast<uint32_t>(x * y) * 2654435761u >> 8) & 0x0F0F0F);
            uint8_t* p = static_cast<uint8_t*>(bits) + (h - 1 - y) * stride + 3 * x;
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
            expected.rgb.push_back(rgb);
        }

    std::vector<int> priorities;
    SetPngWorkerWatch([&](HANDLE worker) { priorities.push_back(GetThreadPriority(worker)); });
    const int callerPriority = GetThreadPriority(GetCurrentThread());
    const std::string png = CheckedFilesDir() + "\\striped.png";
    WritePngFile(section, png);
    SetPngWorkerWatch({});

    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const size_t cores = std::min<size_t>(system.dwNumberOfProcessors, kMaxDeflateThreads);
    EXPECT_EQ(priorities.size(), cores - 1);
    for (int priority : priorities)
        EXPECT_EQ(priority, THREAD_PRIORITY_IDLE);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), callerPriority);

    // On one thread, the same bytes.
    DibView view;
    view.width = w;
    view.height = h;
    view.bits = static_cast<const uint8_t*>(bits);
    view.stride = stride;
    VectorSink sink;
    DeflateThreads one;
    one.threads = 1;
    WritePng(sink, view, one);
    EXPECT_EQ(ReadFileBytes(png), sink.bytes);
    SavePpm(expected, CheckedFilesDir() + "\\striped.ppm");
    FILE* manifest = std::fopen((CheckedFilesDir() + "\\manifest.txt").c_str(), "a");
    ASSERT_NE(manifest, nullptr);
    std::fputs("striped.png striped.ppm exact\n", manifest);
    std::fclose(manifest);
    DeleteObject(section);
}

TEST_F(OutputStage, BitFieldSectionIsWrittenUnchangedWithItsMasks)
{
    constexpr int w = 33, h = 9;
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } info{};
    info.h = {sizeof info.h, w, h, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    const size_t stride = 68;
    for (size_t i = 0; i < stride * h / 2; ++i)
        static_cast<uint16_t*>(bits)[i] = static_cast<uint16_t>(i * 2654435761u);

    const std::string name = dir_ + "\\fields.bmp";
    WriteBmpFile(section, name);
    const auto bmp = ReadFileBytes(name);
    ASSERT_EQ(bmp.size(), 66 + stride * h);
    EXPECT_EQ(U32At(bmp, 10), 66u);
    EXPECT_EQ(U32At(bmp, 30), 3u);  // BI_BITFIELDS
    EXPECT_EQ(U32At(bmp, 54), 0xF800u);
    EXPECT_EQ(U32At(bmp, 58), 0x07E0u);
    EXPECT_EQ(U32At(bmp, 62), 0x001Fu);
    EXPECT_EQ(std::memcmp(bmp.data() + 66, bits, stride * h), 0);
    DeleteObject(section);
}

TEST_F(OutputStage, MissingDirectoryGivesTheFileErrorWithTheAbsolutePath)
{
    const std::string reason = SystemErrorText(ERROR_PATH_NOT_FOUND);
    ASSERT_FALSE(reason.empty());
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string cwdDir = cwd;
    if (cwdDir.back() != '\\')
        cwdDir += '\\';

    SelRect = {0, 0, 10, 10};
    CaptureDestination = kToFile;
    const struct {
        std::string directory;
        std::string shownAs;
    } dirs[] = {{dir_ + "\\missing", dir_ + "\\missing"},
                {"snaplark-missing-dir", cwdDir + "snaplark-missing-dir"}};
    for (const auto& d : dirs) {
        CaptureDirectory = d.directory;
        for (const char* ext : {".png", ".jpg", ".bmp"}) {
            CaptureFormat = ext[1] == 'p' ? kFormatPng : ext[1] == 'j' ? kFormatJpeg : kFormatBmp;
            const std::string text = BoxTextOf([] { CaptureRectangle(); });
            const std::string head = "Cannot create file \"" + d.shownAs + "\\";
            const std::string tail = std::string(ext) + "\". " + reason + ".";
            ASSERT_EQ(text.size(), head.size() + 15 + tail.size()) << text;
            EXPECT_EQ(text.substr(0, head.size()), head) << text;
            EXPECT_EQ(text.substr(head.size() + 15), tail) << text;
            EXPECT_EQ(text.substr(head.size(), 15).find_first_not_of("0123456789"),
                      std::string::npos) << text;
        }
    }
    EXPECT_FALSE(FileExists(dir_ + "\\missing"));  // never created
}

// Another thread opens the clipboard and keeps it open until released, or
// for holdMs when that is given.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD holdMs = INFINITE)
        : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          thread_([this, holdMs] {
              HWND own = CreateWindowExA(0, "STATIC", "holder", WS_POPUP, 0, 0, 0, 0, nullptr,
                                         nullptr, nullptr, nullptr);
              const BOOL ok = OpenClipboard(own);
              SetEvent(opened_);
              WaitForSingleObject(release_, holdMs == INFINITE ? 10000 : holdMs);
              if (ok)
                  CloseClipboard();
              DestroyWindow(own);
          })
    {
        WaitForSingleObject(opened_, 10000);
    }
    ~ClipboardHolder()
    {
        SetEvent(release_);
        thread_.join();
        CloseHandle(opened_);
        CloseHandle(release_);
    }

private:
    HANDLE opened_, release_;
    std::thread thread_;
};

TEST_F(OutputStage, ClipboardHeldByAnotherThreadKeepsItsContents)
{
    PutTextOnClipboard("keep me");
    SelRect = {0, 0, 20, 20};
    {
        ClipboardHolder holder;
        EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), "Cannot open clipboard.");
    }
    EXPECT_EQ(ClipboardText(), "keep me");
    EXPECT_FALSE(ClipboardBitmap().has_value());

    // Held only for a moment, as the system's clipboard viewers do: the
    // capture waits for it. The 50 ms hold is the scenario itself.
    {
        ClipboardHolder holder(50);
        EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }), "");
    }
    const auto clip = ClipboardBitmap();
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(clip->width, 20);
}

TEST_F(OutputStage, ClipboardRefusingThePictureIsReported)
{
    const ClipboardSnatcher snatcher;
    snatcher.Own("kept");
    const std::string reason = SystemErrorText(ERROR_CLIPBOARD_NOT_OPEN);
    SelRect = {0, 0, 20, 20};
    EXPECT_EQ(BoxTextOf([] { CaptureRectangle(); }),
              (reason.empty() ? "Cannot place the capture on the clipboard" : reason) + ".");
    EXPECT_EQ(ClipboardText(), "kept");
    EXPECT_FALSE(ClipboardBitmap().has_value());
}

LocalTimestamp g_fakeTimes[4];
int g_fakeCalls = 0;
LocalTimestamp FakeClock() { return g_fakeTimes[std::min(g_fakeCalls++, 3)]; }

TEST_F(OutputStage, NamesNeverRepeatAndNeverReplaceAnEarlierCapture)
{
    // A stuck clock: the second name waits for the clock to move on.
    const LocalTimestamp t{2026, 2, 3, 14, 5, 9, 7};
    LocalTimestamp later = t;
    later.millisecond = 8;
    g_fakeTimes[0] = g_fakeTimes[1] = g_fakeTimes[2] = t;
    g_fakeTimes[3] = later;
    g_fakeCalls = 0;
    const CaptureClock previous = SetCaptureClock(FakeClock);
    CaptureDirectory = "D:\\Shots";
    const std::string first = MakeCaptureFileName();
    const std::string second = MakeCaptureFileName();
    EXPECT_EQ(first, "D:\\Shots\\260203140509007");
    EXPECT_EQ(second, "D:\\Shots\\260203140509008");
    EXPECT_EQ(g_fakeCalls, 4);

    // The clock set back to 007, where this and the next name are taken (by
    // an earlier run, or another copy of the program): the capture goes to
    // 009, and the earlier captures stay as they were.
    g_fakeTimes[3] = t;
    CaptureDirectory = dir_;
    CaptureDestination = kToFile;
    CaptureFormat = kFormatBmp;
    SelRect = {0, 0, 2, 2};
    for (const char* taken : {"\\260203140509007.bmp", "\\260203140509008.bmp"}) {
        FILE* f = std::fopen((dir_ + taken).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("earlier", f);
        std::fclose(f);
    }
    CaptureRectangle();
    SetCaptureClock(previous);
    for (const char* taken : {"\\260203140509007.bmp", "\\260203140509008.bmp"}) {
        const auto bytes = ReadFileBytes(dir_ + taken);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "earlier") << taken;
    }
    EXPECT_EQ(ReadFileBytes(dir_ + "\\260203140509009.bmp").size(), 70u);  // 2 x 2 at 32 bits
    for (const auto& f : ListFiles(dir_))
        DeleteFileA((dir_ + "\\" + f).c_str());

    // The real clock: captures as fast as they go never replace each other.
    for (int i = 0; i < 40; ++i)
        CaptureRectangle();
    EXPECT_EQ(ListFiles(dir_, "*.bmp").size(), 40u);
}

// A disk that fills up after a number of bytes, as WriteFile meets it: what
// fits is stored, then the write fails.
std::size_t g_room = 0;
BOOL WINAPI FillingDisk(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    const DWORD fits = static_cast<DWORD>(std::min<std::size_t>(size, g_room));
    g_room -= fits;
    if (!WriteFile(file, data, fits, written, nullptr) || fits < size) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

// Whatever fails once the file is made, no file remains: not under the
// capture's name, not under a temporary one. The box names the file and the
// system's reason.
TEST_F(OutputStage, AFailedWriteLeavesNoFileAndNamesTheFileAndTheReason)
{
    CaptureDirectory = dir_;
    CaptureDestination = kToFile;
    SelRect = {0, 0, 300, 200};
    const std::string full = "\". " + SystemErrorText(ERROR_DISK_FULL) + ".";
    HBITMAP gone = CreateBitmap(4, 4, 1, 32, nullptr);
    DeleteObject(gone);
    const struct {
        uint8_t format;
        std::size_t room;  // bytes the disk takes; SIZE_MAX: no shortage
        HBITMAP bitmap;    // null: a capture of the screen
        std::string ending;
    } rows[] = {
        {kFormatPng, 0, nullptr, ".png" + full},
        {kFormatPng, 100, nullptr, ".png" + full},
        {kFormatJpeg, 100, nullptr, ".jpg" + full},
        {kFormatBmp, 0, nullptr, ".bmp" + full},
        {kFormatBmp, 4096, nullptr, ".bmp" + full},
        // A bitmap GDI cannot read, once the file is made.
        {kFormatJpeg, SIZE_MAX, gone, ".jpg"},
        {kFormatBmp, SIZE_MAX, gone, ".bmp"},
    };
    const FileWrite previous = SetFileWrite(FillingDisk);
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "format " << int(r.format) << ", room " << r.room);
        CaptureFormat = r.format;
        g_room = r.room;
        const std::string text = BoxTextOf([&] {
            if (r.bitmap)
                WriteCaptureFile(r.bitmap, MakeCaptureFileName());
            else
                CaptureRectangle();
        });
        const std::string head = "Cannot write file \"" + dir_ + "\\";
        if (!r.bitmap) {
            EXPECT_EQ(text.substr(0, head.size()), head) << text;
            EXPECT_EQ(text.size(), head.size() + 15 + r.ending.size()) << text;
            EXPECT_EQ(text.substr(text.size() - r.ending.size()), r.ending) << text;
        } else {
            EXPECT_FALSE(text.empty());
        }
        EXPECT_EQ(ListFiles(dir_), std::vector<std::string>{});
    }
    // With room again, the file comes, under its name alone.
    g_room = SIZE_MAX;
    CaptureFormat = kFormatPng;
    CaptureRectangle();
    SetFileWrite(previous);
    const auto left = ListFiles(dir_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].size(), 15u + 4u) << left[0];
}

std::vector<std::string> g_sounds;
BOOL WINAPI RecordSound(LPCSTR sound, HMODULE module, DWORD flags)
{
    g_sounds.push_back(std::string(sound) + (module ? " module" : " self") + " " +
                       std::to_string(flags));
    return TRUE;
}

TEST_F(OutputStage, SoundAndStatusGoThroughTheirSeams)
{
    const SoundPlayer previous = SetSoundPlayer(RecordSound);
    PlayConfirmationSound();
    SetSoundPlayer(previous);
    EXPECT_EQ(g_sounds, std::vector<std::string>{"OK self 262149"});  // 0x40005

    std::vector<std::string> shown;
    ShowStatusText("unplugged");
    auto old = SetStatusTextSink([&](const std::string& t) { shown.push_back(t); });
    ShowStatusText("O.K.");
    SetStatusTextSink(std::move(old));
    EXPECT_EQ(shown, std::vector<std::string>{"O.K."});
}

}  // namespace
