// Shared pieces of the capture tests: a window that paints a known pattern,
// the capture state reset, error capture through the error box's seam,
// clipboard helpers, the count of live GDI objects, and the folder whose
// files the host-side checker decodes afterwards.
#pragma once

#include "capture/CaptureState.h"
#include "tests/driver/Driver.h"
#include "ui/ErrorBox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace capture_test {

using namespace driver;

// Blocks of 20 x 20 pixels whose red, green and blue differ from each other
// and from block to block, so a swapped channel or a shifted row shows.
inline uint32_t PatternAt(int x, int y)
{
    const unsigned i = static_cast<unsigned>((x / 20) * 7 + (y / 20) * 13);
    const unsigned r = (i * 67 + 13) & 255, g = (i * 151 + 90) & 255, b = (i * 29 + 200) & 255;
    return (r << 16) | (g << 8) | b;
}

inline bool PumpUntil(const std::function<bool()>& cond, Ms timeout = 5s)
{
    return WaitFor([&] { Pump(); return cond(); }, timeout, 10ms);
}

// A top-most window painting PatternAt over its client area, in client
// coordinates.
class PatternWindow {
public:
    PatternWindow(int x, int y, int width, int height, DWORD style)
    {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = "SnaplarkCapturePattern";
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            return RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "SnaplarkCapturePattern",
                                  "Pattern", style, x, y, width, height, nullptr, nullptr,
                                  nullptr, nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
    }
    ~PatternWindow()
    {
        if (IsWindow(window_))
            DestroyWindow(window_);
        Pump();
    }
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    HWND Handle() const { return window_; }

    // Waits until the screen shows the pattern at the client's corners.
    bool WaitUntilShown() const
    {
        RECT c{};
        GetClientRect(window_, &c);
        POINT o{0, 0};
        ClientToScreen(window_, &o);
        return PumpUntil([&] {
            const Pixels a = ScreenPixels(o.x, o.y, 1, 1);
            const Pixels b = ScreenPixels(o.x + c.right - 1, o.y + c.bottom - 1, 1, 1);
            return a.At(0, 0) == PatternAt(0, 0) &&
                   b.At(0, 0) == PatternAt(c.right - 1, c.bottom - 1);
        });
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            RECT c{};
            GetClientRect(w, &c);
            std::vector<uint32_t> rows(static_cast<size_t>(c.right) * c.bottom);
            for (int y = 0; y < c.bottom; ++y)
                for (int x = 0; x < c.right; ++x)
                    rows[static_cast<size_t>(y) * c.right + x] = PatternAt(x, y);
            BITMAPINFO bi{};
            bi.bmiHeader = {sizeof bi.bmiHeader, c.right, -c.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            SetDIBitsToDevice(dc, 0, 0, c.right, c.bottom, 0, 0, 0, c.bottom, rows.data(), &bi,
                              DIB_RGB_COLORS);
            EndPaint(w, &ps);
            return 0;
        }
        if (m == WM_ERASEBKGND)
            return 1;
        return DefWindowProcA(w, m, wp, lp);
    }

    HWND window_ = nullptr;
};

// Runs f and returns the text the error box would show for what it raised
// (empty when it raised nothing), without a box ever appearing.
inline std::string BoxTextOf(const std::function<void()>& f)
{
    std::string shown;
    auto previous = snaplark::ui::SetErrorBoxDisplay(
        [&](HWND, const std::string& text, const char*, UINT) { shown = text; return IDOK; });
    try {
        f();
    } catch (...) {
        snaplark::ui::ReportException(std::current_exception());
    }
    snaplark::ui::SetErrorBoxDisplay(std::move(previous));
    return shown;
}

// Replaces the clipboard's contents with text, owned by owner (none when null).
inline void PutTextOnClipboard(const char* text, HWND owner = nullptr)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(mem), text, size);
    GlobalUnlock(mem);
    SetClipboardData(CF_TEXT, mem);
    CloseClipboard();
}

inline std::string ClipboardText()
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

// A window of this thread that owns the clipboard's text and closes the
// clipboard when told to give it up (WM_DESTROYCLIPBOARD, sent while the
// capture empties the clipboard): the capture's SetClipboardData is then
// refused for real, with ERROR_CLIPBOARD_NOT_OPEN, and the text stays. One
// refusal per Own(); the clipboard stays the snatcher's until then.
class ClipboardSnatcher {
public:
    ClipboardSnatcher()
    {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = "SnaplarkClipboardSnatcher";
            return RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        window_ = CreateWindowExA(0, "SnaplarkClipboardSnatcher", "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, nullptr, nullptr);
    }
    ~ClipboardSnatcher()
    {
        armed = false;
        DestroyWindow(window_);
    }
    ClipboardSnatcher(const ClipboardSnatcher&) = delete;
    ClipboardSnatcher& operator=(const ClipboardSnatcher&) = delete;

    // Takes the clipboard with this text, to spoil the next capture.
    void Own(const char* text) const
    {
        PutTextOnClipboard(text, window_);
        armed = true;
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_DESTROYCLIPBOARD && armed) {
            armed = false;
            CloseClipboard();
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }

    static inline bool armed = false;
    HWND window_ = nullptr;
};

// The live GDI objects of this process. GetGuiResources answers 0 under
// Wine, so they are counted directly: the GDI handle table that the process
// environment block points to (offset 0xF8 on x64, on Windows and in Wine)
// holds each slot's upper handle bits, and GetObjectType tells whether the
// handle they make is one of ours and alive.
inline int LiveGdiObjects()
{
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;  // the handle's upper 16 bits
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(Entry) == 24);
    using PebOf = const uint8_t*(WINAPI*)();
    const auto currentPeb = reinterpret_cast<PebOf>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb")));
    if (!currentPeb)
        return -1;
    const auto* table = *reinterpret_cast<const Entry* const*>(currentPeb() + 0xF8);
    if (!table)
        return -1;
    int live = 0;
    for (uint32_t i = 0; i < 0x10000; ++i) {
        if (table[i].type == 0)
            continue;
        const auto handle = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(
            i | (static_cast<uint32_t>(table[i].unique) << 16)));
        live += GetObjectType(handle) != 0;
    }
    return live;
}

inline constexpr int kLeakRounds = 1000;

// One way of capturing, run rounds times over by ExpectNoGdiObjectsLeft:
// each run must raise when fails is set, and leave keptEach objects behind
// that are the system's, not the capture's.
struct CaptureKind {
    std::string name;
    bool fails;
    std::function<void()> capture;
    int rounds = kLeakRounds;
    int keptEach = 0;
};

// Runs every kind once (the system's caches fill on first use), then each
// rounds times over, and expects the process's GDI objects where they were.
// Counted with the clipboard emptied: the bitmap it holds is the system's.
inline void ExpectNoGdiObjectsLeft(const std::vector<CaptureKind>& kinds)
{
    const auto failures = [](const CaptureKind& kind, int rounds) {
        int failed = 0;
        for (int i = 0; i < rounds; ++i) {
            try {
                kind.capture();
            } catch (const std::exception&) {
                ++failed;
            }
        }
        return failed;
    };
    const auto count = [] {
        EmptyTheClipboard();
        Pump();
        return LiveGdiObjects();
    };
    for (const auto& kind : kinds)
        failures(kind, 1);
    for (const auto& kind : kinds) {
        const int before = count();
        EXPECT_EQ(failures(kind, kind.rounds), kind.fails ? kind.rounds : 0) << kind.name;
        EXPECT_EQ(count() - before, kind.rounds * kind.keptEach) << kind.name;
    }
}

inline void ResetCaptureState()
{
    snaplark::CaptureDestination = snaplark::kToClipboard;
    snaplark::CaptureFormat = snaplark::kFormatPng;
    snaplark::CaptureDirectory.clear();
    snaplark::SelRect = {};
}

// The folder (next to the test program) that the host-side checker reads:
// decoded files are compared with the reference pictures saved beside them,
// as listed in its manifest.
inline std::string CheckedFilesDir() { return ExeDir() + "\\capture-files"; }

inline void SavePpm(const Pixels& p, const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    for (uint32_t px : p.rgb) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(px >> 16),
                                      static_cast<unsigned char>(px >> 8),
                                      static_cast<unsigned char>(px)};
        std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
}

// Moves the one file in dir to the checked folder as name, and lists it in
// the manifest with its reference picture and how it must match.
inline void HandToChecker(const std::string& dir, const std::string& name,
                          const std::string& reference, const std::string& match,
                          const std::string& checked = CheckedFilesDir())
{
    const std::vector<std::string> files = ListFiles(dir);
    ASSERT_EQ(files.size(), 1u) << dir;
    const std::string target = checked + "\\" + name;
    ASSERT_TRUE(MoveFileExA((dir + "\\" + files[0]).c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    FILE* m = std::fopen((checked + "\\manifest.txt").c_str(), "a");
    ASSERT_NE(m, nullptr);
    std::fprintf(m, "%s %s %s\n", name.c_str(), reference.c_str(), match.c_str());
    std::fclose(m);
}

}  // namespace capture_test
