// Print Screen end to end: the real Snaplark.exe, real key presses and mouse
// drags from SendInput, and what lands in files, on the clipboard and in the
// windows underneath.
#include "tests/win/ProgramControls.h"
#include "tests/win/SlowWindow.h"
#include "tests/win/TestArtifacts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>

using namespace driver;
using namespace program;

namespace {

constexpr uint32_t kRed = 0xFF0000;
// Wine's load order of DLLs for programs named Snaplark.exe.
constexpr char kWineOverrides[] = "Software\\Wine\\AppDefaults\\Snaplark.exe\\DllOverrides";

// A window of the test with a child button, counting the clicks it gets.
struct Target {
    HWND window = nullptr;
    HWND button = nullptr;
    static inline int clicks = 0;        // left button messages on the window
    static inline int buttonClicks = 0;  // BN_CLICKED from the button

    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_NCLBUTTONDOWN || m == WM_NCLBUTTONUP)
            ++clicks;
        if (m == WM_COMMAND && HIWORD(wp) == BN_CLICKED)
            ++buttonClicks;
        return DefWindowProcA(w, m, wp, lp);
    }

    Target()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "PrintScreenTarget";
        RegisterClassA(&wc);
        clicks = buttonClicks = 0;
        window = CreateWindowA("PrintScreenTarget", "Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 30, 560,
                               420, nullptr, nullptr, nullptr, nullptr);
        button = CreateWindowA("Button", "Press me", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 300, 250, 150,
                               60, window, nullptr, nullptr, nullptr);
        Settle();
    }
    ~Target() { DestroyWindow(window); }

    void Settle()
    {
        UpdateWindow(window);
        WaitFor([] { Pump(); return false; }, 300ms);
    }
};

bool PumpUntil(const std::function<bool()>& cond, Ms timeout = 10s)
{
    return WaitFor([&] { Pump(); return cond(); }, timeout, 10ms);
}

// The file is complete once the program has closed it: it writes with
// sharing off, so an exclusive open succeeds only afterwards.
bool Complete(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    const DWORD size = GetFileSize(f, nullptr);
    CloseHandle(f);
    return size > 0;
}

Pixels BmpPixels(const std::vector<uint8_t>& bmp)
{
    Pixels p;
    int32_t w = 0, h = 0;
    std::memcpy(&w, &bmp[18], 4);
    std::memcpy(&h, &bmp[22], 4);
    p.width = w;
    p.height = h;
    const int bits = bmp[28];
    const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* px = &bmp[54 + (h - 1 - y) * stride + x * (bits / 8)];
            p.rgb.push_back((px[2] << 16) | (px[1] << 8) | px[0]);
        }
    return p;
}

std::optional<Pixels> WaitForClipboard(DWORD sequenceBefore)
{
    return WaitForClipboardBitmap(sequenceBefore, 10s, Pump);
}

// Where two pictures of the same size differ, for a failure's message.
std::string Difference(const Pixels& a, const Pixels& b)
{
    if (a.width != b.width || a.height != b.height)
        return "sizes differ";
    int left = a.width, top = a.height, right = -1, bottom = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.At(x, y) != b.At(x, y)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0)
        return "same";
    return "differ in (" + std::to_string(left) + ", " + std::to_string(top) + ")-(" +
           std::to_string(right) + ", " + std::to_string(bottom) + ")";
}

HWND ErrorBoxOf(DWORD pid)
{
    return FindWindowOf(pid, "#32770", "Snaplark", true);
}

std::string BoxText(HWND box)
{
    for (HWND c : ChildrenOf(box))
        if (ClassOf(c) == "Static" && !ControlText(c).empty())
            return ControlText(c);
    return "";
}

class PrintScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        dir_ = MakeTempDir("prtscr");
        width_ = GetSystemMetrics(SM_CXSCREEN);
        height_ = GetSystemMetrics(SM_CYSCREEN);
    }

    void TearDown() override
    {
        if (program_)
            program_->process.Kill();  // the hooks go with it: clicks can never stay blocked
        program_.reset();
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        RemoveTree(dir_);
        if (!programDir_.empty()) {
            RemoveTree(programDir_);
            DeleteTree(HKEY_CURRENT_USER, kWineOverrides);
        }
    }

    // Starts the program with these stored settings and waits until its hooks
    // take Print Screen: Ctrl+Alt+Print Screen hides the main window and does
    // nothing else, which makes a harmless probe.
    void Start(std::initializer_list<std::pair<const char*, DWORD>> values, bool withDirectory = true,
               const std::string& path = ProgramPath(), const std::string& currentDir = "")
    {
        if (withDirectory)
            SetString(kSettingsKey, "Directory", dir_);
        for (const auto& [name, value] : values)
            SetDword(kSettingsKey, name, value);
        program_ = std::make_unique<Resident>(path, currentDir);
        ASSERT_NE(program_->main, nullptr);
        ASSERT_TRUE(WaitFor([&] {
            ShowWindow(program_->main, SW_SHOWNOACTIVATE);
            PressKey(VK_SNAPSHOT, {VK_LCONTROL, VK_LMENU});
            return WaitFor([&] { return !IsWindowVisible(program_->main); }, 500ms);
        }, 15s)) << "Print Screen never reached the program";
        // Under Wine the first keys after a program has ended now and then
        // miss the desktop's key state (the hook then reads no modifier down
        // at all), and the probe becomes a plain Print Screen: a capture,
        // which ends well within a second. It is let finish and cleared away,
        // so each case starts from nothing.
        WatchFor(1s, Pump);
        EmptyTheClipboard();
        for (const std::string& name : Files())
            DeleteFileA((dir_ + "\\" + name).c_str());
    }

    DWORD Pid() const { return program_->process.Pid(); }
    void Idle() const { WaitForInputIdle(program_->process.Handle(), 5000); }

    std::vector<std::string> Files(const char* pattern = "*") { return ListFiles(dir_, pattern); }

    std::string WaitForFile(const char* pattern)
    {
        std::string found;
        PumpUntil([&] {
            const auto names = Files(pattern);
            if (names.size() != 1 || !Complete(dir_ + "\\" + names[0]))
                return false;
            found = names[0];
            return true;
        });
        return found;
    }

    // The program's visible windows, for a failure's message.
    std::string Describe()
    {
        std::string out = "visible windows:";
        for (HWND w : WindowsOf(Pid(), true)) {
            out += " [" + ClassOf(w) + " \"" + TextOf(w) + "\"";
            if (ClassOf(w) == "#32770")
                out += " says \"" + BoxText(w) + "\"";
            out += "]";
        }
        out += "; files:";
        for (const std::string& name : Files())
            out += " " + name;
        return out;
    }

    bool OverlayShown() { return FindWindowOf(Pid(), "TCaptureForm", nullptr, true) != nullptr; }

    // Shift+Print Screen to the clipboard: the whole screen, pixel for pixel.
    void ExpectShiftPutsTheScreenOnTheClipboard()
    {
        // From a still screen: the taskbar may still be taking down the
        // button of a window just hidden, and a capture of that moment
        // would rightly differ from the screen afterwards.
        std::optional<Pixels> last;
        WaitFor([&] {
            Pixels now = ScreenPixels(0, 0, width_, height_);
            const bool still = last && last->rgb == now.rgb;
            last = std::move(now);
            return still;
        }, 5s, 200ms);
        EmptyTheClipboard();
        const DWORD sequence = GetClipboardSequenceNumber();
        PressKey(VK_SNAPSHOT, {VK_RSHIFT});
        const std::optional<Pixels> shot = WaitForClipboard(sequence);
        ASSERT_TRUE(shot.has_value());
        EXPECT_EQ(shot->width, width_);
        EXPECT_EQ(shot->height, height_);
        EXPECT_TRUE(ScreenShows(*shot, 0, 0, 5s, Pump))
            << Difference(*shot, ScreenPixels(0, 0, width_, height_));
    }

    // Ctrl+Print Screen and a real drag, to the clipboard: what the capture
    // put there, if anything.
    std::optional<Pixels> DragCapture(int x0, int y0, int x1, int y1)
    {
        EmptyTheClipboard();
        const DWORD sequence = GetClipboardSequenceNumber();
        // The pointer rests where the drag will start, as a user's does.
        MoveMouse(x0, y0);
        SettlePointer();
        PressKey(VK_SNAPSHOT, {VK_LCONTROL});
        if (!PumpUntil([&] { return OverlayShown(); })) {
            ADD_FAILURE() << "no overlay";
            return std::nullopt;
        }
        Idle();
        Drag(x0, y0, x1, y1, program_->process.Handle());
        return WaitForClipboard(sequence);
    }

    std::string dir_;
    std::string programDir_;  // a copy of the program, when a test makes one
    int width_ = 0, height_ = 0;
    std::unique_ptr<Resident> program_;
};

TEST_F(PrintScreen, ShiftWritesOneFileNamedByTheClockInEachFormat)
{
    Start({{"Destination", 1}});
    const MainControls c = program_->Controls();
    const struct {
        HWND button;
        const char* pattern;
    } formats[] = {{c.bmp, "*.bmp"}, {c.png, "*.png"}, {c.jpeg, "*.jpg"}};
    for (const auto& f : formats) {
        Click(f.button);
        PressKey(VK_SNAPSHOT, {VK_LSHIFT});
        const std::string name = WaitForFile(f.pattern);
        ASSERT_FALSE(name.empty()) << f.pattern << "; " << Describe();
        EXPECT_EQ(name.size(), 15u + 4u) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789"), 15u) << name;
        const auto bytes = ReadFileBytes(dir_ + "\\" + name);
        if (std::string(f.pattern) == "*.bmp") {
            const Pixels shot = BmpPixels(bytes);
            EXPECT_EQ(shot.width, width_);
            EXPECT_EQ(shot.height, height_);
            EXPECT_TRUE(ScreenShows(shot, 0, 0, 5s, Pump))
                << "the file is not the screen: " << Difference(shot, ScreenPixels(0, 0, width_, height_));
        } else if (std::string(f.pattern) == "*.png") {
            EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
            EXPECT_EQ((bytes[18] << 8) | bytes[19], width_);
            EXPECT_EQ((bytes[22] << 8) | bytes[23], height_);
        } else {
            EXPECT_EQ(bytes[0], 0xFF);
            EXPECT_EQ(bytes[1], 0xD8);
        }
    }
    EXPECT_EQ(Files().size(), 3u) << Describe();
}

// The lower-case paths of the DLLs a process has loaded.
std::set<std::string> ModulesOf(DWORD pid)
{
    std::set<std::string> paths;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snap, &entry); more; more = Module32Next(snap, &entry))
        paths.insert(CharLowerA(entry.szExePath));
    CloseHandle(snap);
    return paths;
}

// A DLL named like a system DLL beside the program (in a Downloads folder,
// say) is never loaded, and each path that needs one runs on with the
// system's: a Direct3D and a GDI capture with their click, the session
// reports. Wine is made to search the program's folder first, as Windows
// does. (Not version.dll: Wine's own user32 imports it, so Wine loads one
// from there before the program runs; the imports test covers it.)
TEST_F(PrintScreen, ADllBesideTheProgramIsNeverLoaded)
{
    programDir_ = MakeTempDir("planted");
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), (programDir_ + "\\Snaplark.exe").c_str(), FALSE));
    const char* const planted[] = {"winmm", "d3d9", "dwmapi", "wtsapi32"};
    for (const char* name : planted) {
        ASSERT_TRUE(CopyFileA((ExeDir() + "\\planted.dll").c_str(),
                              (programDir_ + "\\" + name + ".dll").c_str(), FALSE));
        ASSERT_TRUE(SetString(kWineOverrides, name, "native,builtin"));
    }
    Start({{"Mode", 1}, {"Sound", 1}}, true, programDir_ + "\\Snaplark.exe");
    EXPECT_TRUE(CaptureToClipboard({VK_LSHIFT})) << "Direct3D; " << Describe();
    Click(program_->Controls().gdi);
    EXPECT_TRUE(CaptureToClipboard({VK_LSHIFT})) << "GDI; " << Describe();

    EXPECT_EQ(ListFiles(programDir_, "*.loaded"), std::vector<std::string>{});
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string folder = CharLowerA(system);
    const std::set<std::string> modules = ModulesOf(Pid());
    for (const char* name : planted)
        EXPECT_EQ(modules.count(folder + "\\" + name + ".dll"), 1u) << name;
}

// Without a directory, captures go to the user's Pictures folder as it is
// at the capture (here moved after start-up), not to the current directory:
// Windows starts the programs of the Run key in the system folder.
TEST_F(PrintScreen, WithoutADirectoryCapturesGoToThePicturesFolder)
{
    constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    DWORD type = 0;
    const auto previous = ReadRaw(HKEY_CURRENT_USER, kShellFolders, "My Pictures", &type);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const size_t inSystem = ListFiles(Utf8(system)).size();
    Start({{"Destination", 1}}, false, ProgramPath(), Utf8(system));
    ASSERT_TRUE(SetString(kShellFolders, "My Pictures", dir_));
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    const std::string name = WaitForFile("*.png");
    EXPECT_EQ(name.size(), 15u + 4u) << Describe();
    EXPECT_EQ(ListFiles(Utf8(system)).size(), inSystem);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    if (previous)
        RegSetValueExW(key, L"My Pictures", 0, type, previous->data(), static_cast<DWORD>(previous->size()));
    else
        RegDeleteValueW(key, L"My Pictures");
    RegCloseKey(key);
}

TEST_F(PrintScreen, ShiftToTheClipboardPutsTheScreenThere)
{
    Start({});
    ExpectShiftPutsTheScreenOnTheClipboard();
    EXPECT_TRUE(Files().empty());
}

// At 144 DPI the program works in physical pixels: Shift+Print Screen takes
// the whole screen, pixel for pixel, and the error box is drawn for the DPI
// with its whole text showing. (Wine does not shrink the screen for programs
// that do not declare themselves DPI-aware, so it cannot show the fault of
// one that does not; this shows that one that does is right.)
TEST_F(PrintScreen, AtOneHundredFortyFourDpiCapturesTakeTheWholeScreen)
{
    const DesktopDpi desktop(144);
    SetString(kSettingsKey, "Directory", dir_ + "\\removed");
    Start({}, false);
    ASSERT_EQ(ClientSize(program_->main).cx, AtDpi(223, 144)) << "the program is not at 144 DPI";
    ExpectShiftPutsTheScreenOnTheClipboard();

    // To a directory that is gone: the error box.
    Click(program_->Controls().file);
    PressKey(VK_SNAPSHOT, {VK_RSHIFT});
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = ErrorBoxOf(Pid())) != nullptr; }));
    HWND text = nullptr;
    for (HWND c : ChildrenOf(box))
        if (ClassOf(c) == "Static" && !ControlText(c).empty())
            text = c;
    ASSERT_NE(text, nullptr);
    // The box's text, set in the system's message font for 144 DPI, fits the
    // place the box gave it.
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    const auto metricsForDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoForDpi")));
    ASSERT_NE(metricsForDpi, nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(metricsForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, 144));
    const RECT place = BoundsInParent(text);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HGDIOBJ old = SelectObject(dc, font);
    const std::string said = ControlText(text);
    RECT needed{0, 0, place.right - place.left, 0};
    DrawTextA(dc, said.c_str(), static_cast<int>(said.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    EXPECT_LE(needed.right, place.right - place.left) << said;
    EXPECT_LE(needed.bottom, place.bottom - place.top) << said;
    const std::optional<Pixels> boxShot = SettledWindowPixels(box);
    ASSERT_TRUE(boxShot.has_value()) << "the box never showed";
    EXPECT_TRUE(SavePng(ArtifactDir() + "\\error_box_144.png", *boxShot));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return ErrorBoxOf(Pid()) == nullptr; }));
}

// Another program that hangs, whether it has stopped taking messages or is
// stuck in its own paint for 10 s, holds no capture: Shift+Print Screen to
// the clipboard comes within a second, and a window that does repaint shows
// its repaint in the picture.
TEST_F(PrintScreen, AProgramThatHangsDoesNotHoldTheCapture)
{
    Start({});
    Target target;
    POINT probe{20, 20};
    ClientToScreen(target.window, &probe);
    for (const bool inPaint : {false, true}) {
        SCOPED_TRACE(inPaint ? "stuck in its paint" : "taking no messages");
        const SlowWindow hung(inPaint ? SlowWindow::Stuck::InPaint : SlowWindow::Stuck::TakingNoMessages, 10000,
                              {700, 400, 900, 500});
        ASSERT_TRUE(hung.Ready());
        // Painted over without telling the window: only its repaint makes it
        // white again.
        HDC dc = GetDC(target.window);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        const RECT over{0, 0, 100, 100};
        FillRect(dc, &over, red);
        DeleteObject(red);
        ReleaseDC(target.window, dc);
        ASSERT_TRUE(PumpUntil([&] { return ScreenPixels(probe.x, probe.y, 1, 1).At(0, 0) == kRed; }));
        EmptyTheClipboard();
        const DWORD sequence = GetClipboardSequenceNumber();
        const ULONGLONG pressed = GetTickCount64();
        PressKey(VK_SNAPSHOT, {VK_LSHIFT});
        const std::optional<Pixels> shot = WaitForClipboard(sequence);
        const ULONGLONG took = GetTickCount64() - pressed;
        ASSERT_TRUE(shot.has_value()) << "no capture while another program hangs";
        EXPECT_LT(took, 1000u);
        EXPECT_EQ(shot->At(probe.x, probe.y), 0xFFFFFFu) << "the repaint is not in the picture";
    }
}

// Twenty drags in a row, both ways round: the first two over a window whose
// clicks are counted, the rest over the bare desktop, which another program
// paints, so the band must be gone from a screen this program does not draw.
TEST_F(PrintScreen, CtrlDragsCaptureTheLiveRectangleWithoutTheBandAndTheirClicksReachNobody)
{
    constexpr int kDrags = 20;
    Start({});
    std::optional<Target> target(std::in_place);
    for (int i = 0; i < kDrags; ++i) {
        if (i == 2) {
            target->Settle();
            EXPECT_EQ(Target::clicks, 0) << "a selection's click reached the window underneath";
            // Once the capture is done clicks pass again.
            Idle();
            LeftClick(150, 150);
            EXPECT_TRUE(PumpUntil([] { return Target::clicks == 2; }));
            target.reset();
        }
        const bool backwards = i % 2 == 1;
        const std::optional<Pixels> shot =
            backwards ? DragCapture(300, 250, 100, 50) : DragCapture(100, 50, 300, 250);
        ASSERT_TRUE(shot.has_value()) << "drag " << i << ": " << Describe();
        ASSERT_EQ(shot->width, 200);
        ASSERT_EQ(shot->height, 200);
        if (!ScreenShows(*shot, 100, 50, 5s, Pump)) {
            SavePng(ArtifactDir() + "\\drag_capture.png", *shot);  // for a person to look at
            FAIL() << "drag " << i << ": not the live screen at (100, 50)-(300, 250): "
                   << Difference(*shot, ScreenPixels(100, 50, 200, 200));
        }
        EXPECT_FALSE(OverlayShown());
    }
}

TEST_F(PrintScreen, AltPicksTheControlUnderTheCursorFrameIncluded)
{
    Start({});
    Target target;
    EmptyTheClipboard();
    const DWORD sequence = GetClipboardSequenceNumber();
    RECT r;
    GetWindowRect(target.button, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const HWND active = GetForegroundWindow();
    MoveMouse(r.left + 20, r.top + 20);
    PressKey(VK_SNAPSHOT, {VK_LMENU});
    Idle();
    MoveMouse(r.left + 30, r.top + 25);
    Idle();
    // The red frame is on the screen when the click comes, so a capture
    // without it shows that it went first.
    ASSERT_TRUE(PumpUntil([&] {
        const Pixels corners = ScreenPixels(r.left + 1, r.top + 1, w - 3, h - 3);
        return corners.At(0, 0) == kRed && corners.At(w - 4, h - 4) == kRed;
    })) << "no red frame around the control";
    EXPECT_EQ(GetForegroundWindow(), active) << "the frame took the focus";
    LeftDown();
    LeftUp();
    const std::optional<Pixels> shot = WaitForClipboard(sequence);
    ASSERT_TRUE(shot.has_value());
    ASSERT_EQ(shot->width, w);
    ASSERT_EQ(shot->height, h);
    for (int x = 1; x <= w - 3; ++x)
        for (int y : {1, h - 3})
            ASSERT_NE(shot->At(x, y), kRed) << "the red frame was captured at " << x << ", " << y;
    for (int y = 1; y <= h - 3; ++y)
        for (int x : {1, w - 3})
            ASSERT_NE(shot->At(x, y), kRed) << "the red frame was captured at " << x << ", " << y;
    EXPECT_TRUE(ScreenShows(*shot, r.left, r.top, 5s, Pump))
        << "not the control as shown: " << Difference(*shot, ScreenPixels(r.left, r.top, w, h));
    target.Settle();
    EXPECT_EQ(Target::buttonClicks, 0) << "the picking click reached the control";
}

TEST_F(PrintScreen, PlainPrintScreenRunsTheSelectedSourceOrNothing)
{
    Start({{"Source", 1}});
    PressKey(VK_SNAPSHOT);
    ASSERT_TRUE(PumpUntil([&] { return OverlayShown(); })) << "Rectangle is the source";
    Idle();
    LeftClick(400, 300);  // a click without a drag ends it
    ASSERT_TRUE(PumpUntil([&] { return !OverlayShown(); }));
    program_->process.Kill();

    // With no Source button checked a press only hides the window.
    Start({{"Source", 5}, {"Destination", 1}});
    ShowWindow(program_->main, SW_SHOWNOACTIVATE);
    PressKey(VK_SNAPSHOT);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(program_->main); }));
    Idle();
    EXPECT_FALSE(OverlayShown());
    EXPECT_TRUE(Files().empty());
}

TEST_F(PrintScreen, TimerWritesAFileEveryIntervalUntilTheNextPress)
{
    Start({{"On Timer", 1}, {"Capture Interval", 200}, {"Format", 2}});
    const DWORD pressed = GetTickCount();
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    ASSERT_TRUE(PumpUntil([&] { return Files("*.bmp").size() >= 6; }, 20s));
    const DWORD sixth = GetTickCount();
    PressKey(VK_SNAPSHOT, {VK_LCONTROL});  // any press stops it
    Idle();
    const size_t stopped = Files().size();
    WatchFor(700ms, Pump);  // several intervals: no file may come
    EXPECT_LE(Files().size(), stopped + 1) << "the timer did not stop";
    EXPECT_FALSE(OverlayShown()) << "a stopping press does nothing else";

    // Six files after six intervals: not fewer than 1.2 s. Not much more
    // either, but a busy machine slows every capture (4.1 s were seen beside
    // a build): the bound only catches an interval taken in the wrong unit;
    // the speed itself is bench-windows.sh's to measure.
    EXPECT_GE(sixth - pressed, 1100u);
    EXPECT_LE(sixth - pressed, 10000u);
    // Files are named by the time their capture began: they lie an interval
    // apart on average, and none stalls. One gap alone can be shorter: the
    // timer keeps its own beat, so a tick taken late (the repaint walk waits
    // for other programs) is followed by one on time.
    auto names = Files("*.bmp");
    std::sort(names.begin(), names.end());
    // Milliseconds on the calendar (YYMMDDHHMMSSmmm), so that a run across
    // the hour counts right.
    const auto ms = [](const std::string& n) {
        const auto field = [&](size_t at, size_t length) {
            return static_cast<WORD>(std::stoi(n.substr(at, length)));
        };
        SYSTEMTIME t{};
        t.wYear = static_cast<WORD>(2000 + field(0, 2));
        t.wMonth = field(2, 2);
        t.wDay = field(4, 2);
        t.wHour = field(6, 2);
        t.wMinute = field(8, 2);
        t.wSecond = field(10, 2);
        t.wMilliseconds = field(12, 3);
        FILETIME f{};
        EXPECT_TRUE(SystemTimeToFileTime(&t, &f)) << n;
        return static_cast<long long>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 10000);
    };
    ASSERT_GE(names.size(), 2u);
    for (size_t i = 1; i < names.size(); ++i)
        EXPECT_LE(ms(names[i]) - ms(names[i - 1]), 1000) << names[i - 1] << " " << names[i];
    const long long mean = (ms(names.back()) - ms(names.front())) / static_cast<long long>(names.size() - 1);
    EXPECT_GE(mean, 160) << names.front() << " .. " << names.back();
}

TEST_F(PrintScreen, AMissingDirectoryIsReportedOnceAndLeavesClicksFree)
{
    Start({{"Destination", 1}}, false);
    SetString(kSettingsKey, "Directory", dir_ + "\\удалено 📷");
    program_->process.Kill();
    program_ = std::make_unique<Resident>();
    Target target;
    PressKey(VK_SNAPSHOT, {VK_LCONTROL});
    ASSERT_TRUE(PumpUntil([&] { return OverlayShown(); }));
    Idle();
    Drag(100, 80, 200, 160, program_->process.Handle());
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = ErrorBoxOf(Pid())) != nullptr; }));
    const std::string text = BoxText(box);
    EXPECT_EQ(text.rfind("Cannot create file \"", 0), 0u) << text;
    EXPECT_NE(text.find("\\удалено 📷\\"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return ErrorBoxOf(Pid()) == nullptr; }));
    Idle();
    target.Settle();
    const int before = Target::clicks;
    LeftClick(120, 120);
    EXPECT_TRUE(PumpUntil([&] { return Target::clicks == before + 2; })) << "clicks stayed blocked";
    EXPECT_TRUE(Files().empty());
}

TEST_F(PrintScreen, FailingTimedCapturesDoNotPileUpBoxes)
{
    SetString(kSettingsKey, "Directory", dir_ + "\\removed");
    Start({{"On Timer", 1}, {"Capture Interval", 100}}, false);
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    ASSERT_TRUE(PumpUntil([&] { return ErrorBoxOf(Pid()) != nullptr; }));
    WatchFor(1500ms, Pump);  // many failing ticks: no second box
    int boxes = 0;
    for (HWND w : WindowsOf(Pid(), true))
        boxes += ClassOf(w) == "#32770";
    EXPECT_EQ(boxes, 1);
    PostMessageA(ErrorBoxOf(Pid()), WM_COMMAND, IDOK, 0);
    WatchFor(1000ms, Pump);  // failing ticks go on: none is told again
    EXPECT_EQ(ErrorBoxOf(Pid()), nullptr) << "the same failure was told again";
}

}  // namespace
