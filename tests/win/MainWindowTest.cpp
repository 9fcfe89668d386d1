// The real Snaplark.exe under the test desktop: resident start-up, a single
// instance, hiding on close, Exit and log-off, the main window's layout and
// keyboard at 96 DPI and scaled to other desktop DPIs, the About panel's
// texts and links, the folder dialog, the hooks after the session comes
// back, and screenshots of the shown window. One case drives the start-up
// sequence in-process, to make a step of it fail.
#include "tests/driver/Driver.h"
#include "tests/win/CaptionFit.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <utility>

#include "app/MainUnit.h"
#include "app/OsLabel.h"
#include "tests/win/ProgramControls.h"
#include "tests/win/TestArtifacts.h"
#include "ui/Application.h"
#include "ui/ErrorBox.h"
#include "ui/SystemError.h"

using namespace driver;
using program::ExpectCaptionsFit;
using snaplark::OsLabelText;
using snaplark::OsVersion;

namespace {

constexpr char kMutexName[] = "SnaplarkMutex";

bool MutexExists()
{
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
    if (m)
        CloseHandle(m);
    return m != nullptr;
}

// Starts the program and waits until it has its hidden main window and holds
// the single-instance mutex.
struct Resident {
    Process process;
    HWND main = nullptr;

    Resident()
    {
        process = StartProgram();
        main = WaitForWindow(process.Pid(), "TMainForm", "Snaplark");
        WaitFor(MutexExists);
    }
};

void ShowMainWindow(HWND main)
{
    // Until the tray icon exists the test shows the window itself; the
    // window's own show handling (first-show centring, taskbar button) runs.
    ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) != 0; }));
    // A message answered means everything sent before it has been handled.
    SendMessageA(main, WM_NULL, 0, 0);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HWND ChildAt(HWND parent, const char* cls, int left, int top)
{
    for (HWND w : ChildrenOf(parent)) {
        const RECT r = BoundsInParent(w);
        if (ClassOf(w) == cls && r.left == left && r.top == top)
            return w;
    }
    return nullptr;
}

HWND GroupBox(HWND main, const char* caption)
{
    for (HWND w : ChildrenOf(main))
        if (ClassOf(w) == "Button" && TextOf(w) == caption)
            return w;
    return nullptr;
}

std::string OslText(HWND main)
{
    HWND about = GroupBox(main, "About");
    HWND osl = about ? ChildAt(about, "Static", 2, 68) : nullptr;
    return osl ? TextOf(osl) : "<no OSL>";
}

OsVersion TrueVersion()
{
    using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);
    auto get = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    get(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info));
    return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
            info.wProductType};
}

// Whether the dialog font is really there. Without Wine's own fonts in the
// prefix a wider substitute is drawn and long captions cannot fit.
bool DialogFontInstalled()
{
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return std::string(face) == "MS Sans Serif";
}

// Makes Wine report another Windows version to the program (Wine's setting
// per program), until cleared or gone.
struct WineVersion {
    static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\Snaplark.exe";
    ~WineVersion() { Clear(); }
    bool Set(const char* version) { return program::SetString(kKey, "Version", version); }
    void Clear() { DeleteTree(HKEY_CURRENT_USER, kKey); }
};

// The threads of a process with their priorities.
std::vector<std::pair<DWORD, int>> ThreadPriorities(DWORD pid)
{
    std::vector<std::pair<DWORD, int>> threads;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        threads.push_back({entry.th32ThreadID, thread ? GetThreadPriority(thread) : THREAD_PRIORITY_ERROR_RETURN});
        if (thread)
            CloseHandle(thread);
    }
    CloseHandle(snap);
    return threads;
}

// The keyboard focus of the thread that owns a window, in another process.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// The controls Tab stops on, in order, as the dialog manager walks them.
std::vector<HWND> TabOrder(HWND window)
{
    std::vector<HWND> order;
    const HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND w = first; w && order.size() < 64;) {
        order.push_back(w);
        w = GetNextDlgTabItem(window, w, FALSE);
        if (w == first)
            break;
    }
    return order;
}


TEST(MainWindow, StartsResidentWithNoVisibleWindow)
{
    Resident program;
    ASSERT_NE(program.main, nullptr);
    ASSERT_TRUE(MutexExists());
    // Nothing of the program shows up, also a while after start-up.
    EXPECT_FALSE(WaitFor([&] { return !WindowsOf(program.process.Pid(), true).empty(); }, 1500ms))
        << "a window of the program became visible";
    EXPECT_TRUE(program.process.Running());

    // The hook thread runs above every other thread of the program, in the
    // high priority class; the main thread at normal priority.
    const DWORD mainThread = GetWindowThreadProcessId(program.main, nullptr);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, program.process.Pid());
    EXPECT_EQ(GetPriorityClass(process), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    CloseHandle(process);
    std::vector<std::pair<DWORD, int>> threads;
    auto atTop = [&] {
        threads = ThreadPriorities(program.process.Pid());
        return std::count_if(threads.begin(), threads.end(), [](const auto& t) {
                   return t.second == THREAD_PRIORITY_TIME_CRITICAL;
               }) == 1;
    };
    EXPECT_TRUE(WaitFor(atTop)) << "no single time-critical thread";
    for (const auto& [id, priority] : threads) {
        if (id == mainThread) {
            EXPECT_EQ(priority, THREAD_PRIORITY_NORMAL);
        } else if (priority != THREAD_PRIORITY_TIME_CRITICAL) {
            EXPECT_LE(priority, THREAD_PRIORITY_NORMAL) << "thread " << id;
        }
    }
}

// Starts the program, which is to end by itself without a word: no window
// ever shows, and the exit code is 0.
void ExpectAStartThatEndsSilently()
{
    Process copy = StartProgram();
    bool showedAWindow = false;
    const bool ended = WaitFor([&] {
        showedAWindow |= !WindowsOf(copy.Pid(), true).empty();
        return !copy.Running();
    }, 10s);
    ASSERT_TRUE(ended) << "the program ran on";
    EXPECT_EQ(copy.Wait(0ms), std::optional<DWORD>(0));
    EXPECT_FALSE(showedAWindow);
}

// A second start shows the running copy's window, which may be the only way
// to reach a copy whose tray icon the shell refused, and ends by itself.
TEST(MainWindow, SecondStartShowsTheRunningCopyAndEnds)
{
    Resident first;
    ASSERT_NE(first.main, nullptr);
    ASSERT_FALSE(IsWindowVisible(first.main));
    ExpectAStartThatEndsSilently();
    EXPECT_TRUE(first.process.Running());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(first.main) != 0; })) << "the running copy stayed hidden";
}

// Windows 95, 98, Me and NT 4.0 are not supported: the program ends without
// a word. Wine reports them to the program when asked per program.
TEST(MainWindow, EndsSilentlyOnWindowsOlderThan2000)
{
    WineVersion wine;
    for (const char* version : {"win98", "nt40"}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(wine.Set(version));
        ExpectAStartThatEndsSilently();
        EXPECT_FALSE(MutexExists());
    }
}

TEST(MainWindow, CloseButtonOnlyHidesTheWindow)
{
    Resident program;
    ShowMainWindow(program.main);
    SendMessageA(program.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(program.main); }));
    EXPECT_FALSE(WaitFor([&] { return !program.process.Running(); }, 1s));
    // WM_CLOSE itself (Alt+F4, the system menu) does the same.
    ShowMainWindow(program.main);
    SendMessageA(program.main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(program.main); }));
    EXPECT_TRUE(program.process.Running());
}

TEST(MainWindow, ExitButtonEndsTheProcessAndFreesTheMutex)
{
    Resident program;
    ShowMainWindow(program.main);
    HWND exitButton = ChildAt(program.main, "Button", 192, 240);
    ASSERT_NE(exitButton, nullptr);
    ClickWindow(exitButton);
    EXPECT_EQ(program.process.Wait(10s), std::optional<DWORD>(0));
    EXPECT_FALSE(MutexExists());
    // With the mutex gone, the next start is resident again.
    Resident next;
    EXPECT_NE(next.main, nullptr);
    EXPECT_FALSE(WaitFor([&] { return !next.process.Running(); }, 1s));
}

struct ExpectedChild {
    const char* parent;  // caption of the group box, "" for the window itself
    const char* cls;
    int left, top, width, height;  // width -1: sized to its text
    std::string text;
    int checked;  // -1: not a check or radio button
};

// The main window's children in the order of the layout table: the window's
// own, each group box followed by what it holds.
struct Found {
    std::string parent;
    HWND window;
};

std::vector<Found> ChildrenInLayoutOrder(HWND main)
{
    std::vector<Found> found;
    for (HWND w : ChildrenOf(main)) {
        found.push_back({"", w});
        if (ClassOf(w) == "Button" && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            for (HWND c : ChildrenOf(w))
                found.push_back({TextOf(w), c});
    }
    return found;
}

// The layout at 96 DPI; a first start applies the stored settings' defaults,
// which check Fullscreen, Clipboard and PNG.
std::vector<ExpectedChild> LayoutTable(const std::string& osl)
{
    return {
        {"", "Button", 4, 4, 217, 33, "Source", -1},
        {"Source", "Button", 8, 12, 69, 17, "Fullscreen", 1},
        {"Source", "Button", 84, 12, 69, 17, "Rectangle", 0},
        {"Source", "Button", 152, 12, 60, 17, "Window", 0},
        {"", "Button", 4, 40, 217, 37, "Mode", -1},
        {"Mode", "Button", 8, 16, 41, 17, "GDI", 1},
        {"Mode", "Button", 84, 16, 41, 17, "D3D", 0},
        {"", "Button", 4, 80, 217, 33, "Destination", -1},
        {"Destination", "Button", 8, 12, 69, 17, "Clipboard", 1},
        {"Destination", "Button", 84, 12, 41, 17, "File", 0},
        {"", "Button", 4, 116, 217, 45, "Directory", -1},
        {"Directory", "Button", 8, 16, 23, 22, "", -1},
        {"Directory", "Static", 36, 20, -1, 13, "...", -1},
        {"", "Button", 4, 160, 217, 41, "On Timer", -1},
        {"On Timer", "Button", 8, 16, 61, 17, "Enabled", 0},
        {"On Timer", "Static", 68, 18, -1, 13, "Interval:", -1},
        {"On Timer", "Edit", 108, 14, 33, 21, "300", -1},
        {"On Timer", "msctls_updown32", 141, 14, 16, 21, "", -1},
        {"On Timer", "Static", 160, 18, -1, 13, "ms", -1},
        {"", "Button", 4, 200, 217, 37, "Format", -1},
        {"Format", "Button", 8, 16, 49, 17, "PNG", 1},
        {"Format", "Button", 56, 16, 49, 17, "JPEG", 0},
        {"Format", "Button", 112, 16, 49, 17, "BMP", 0},
        {"", "Button", 4, 240, 57, 17, "Autorun", 0},
        {"", "Button", 76, 240, 53, 17, "Sound", 1},
        {"", "Button", 144, 240, 23, 22, "", -1},
        {"", "Button", 168, 240, 23, 22, "", -1},
        {"", "Button", 192, 240, 23, 22, "", -1},
        {"", "Button", 4, 260, 217, 141, "About", -1},
        {"About", "Static", 5, 17, 32, 32, "", -1},
        {"About", "Static", 40, 16, -1, 13, "Snaplark", -1},
        {"About", "Static", 40, 32, -1, 13, "Program Version", -1},
        {"About", "Static", 124, 32, -1, 13, "1.0.0.0", -1},
        {"About", "Static", 176, 16, 32, 16, "", -1},
        {"About", "Static", 4, 52, -1, 13, "Print Screen, done right", -1},
        {"About", "Static", 148, 52, -1, 13, "Freeware", -1},
        {"About", "Static", 2, 68, -1, 13, osl, -1},
        {"About", "Static", 4, 96, -1, 13, "Homepage:", -1},
        {"About", "Static", 72, 96, -1, 13, "snaplark.example.com", -1},
        {"About", "Static", 4, 112, -1, 13, "Support E-Mail:", -1},
        {"About", "Static", 84, 112, -1, 13, "snaplark@example.com", -1},
        {"", "msctls_statusbar32", 0, 400, 223, 19, "", -1},
    };
}

// The About panel's name is bold and its version texts are in Tahoma; the
// directory ("..." while none is chosen) is in a face for any language.
std::pair<const char*, bool> MainWindowFontOf(const std::string& caption)
{
    if (caption == "Snaplark")
        return {"MS Sans Serif", true};
    if (caption == "Program Version" || caption == "1.0.0.0")
        return {"Tahoma", false};
    if (caption == "...")
        return {"Microsoft Sans Serif", false};
    return {"MS Sans Serif", false};
}

// Every caption whole and clear of its neighbours, in the window itself and
// in each group box.
void ExpectMainWindowCaptionsFit(HWND main, UINT dpi)
{
    ExpectCaptionsFit(ChildrenOf(main), dpi, MainWindowFontOf);
    for (HWND box : ChildrenOf(main))
        ExpectCaptionsFit(ChildrenOf(box), dpi, MainWindowFontOf);
}

// At 96 DPI and on scaled desktops the whole layout grows by the DPI's share
// of 96, client area included, labels as high as their font, and every
// caption still fits. Wine gives programs started after LogPixels was set
// that DPI. (A change of DPI while running is framework_test's.)
class Layout : public ::testing::TestWithParam<UINT> {};
INSTANTIATE_TEST_SUITE_P(AtDpi, Layout, ::testing::Values(96u, 120u, 144u));

TEST_P(Layout, ControlsMatchTheLayoutTable)
{
    const UINT dpi = GetParam();
    // A first start: start-up applies the stored settings, whose defaults
    // check Fullscreen, Clipboard and PNG.
    DeleteTree(HKEY_CURRENT_USER, "Software\\Quenby\\Snaplark");
    const DesktopDpi desktop(dpi);
    Resident program;
    ShowMainWindow(program.main);
    const std::vector<ExpectedChild> table = LayoutTable(OsLabelText(TrueVersion()));
    const std::vector<Found> found = ChildrenInLayoutOrder(program.main);
    const bool measurable = DialogFontInstalled();
    if (!measurable)
        std::printf("MS Sans Serif is not installed in this Wine prefix (Debian package "
                    "fonts-wine); captions are not checked for fitting\n");
    ASSERT_EQ(found.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const ExpectedChild& e = table[i];
        const Found& f = found[i];
        SCOPED_TRACE(std::string(e.parent) + " / " + e.cls + " \"" + e.text + "\" at " +
                     std::to_string(e.left) + "," + std::to_string(e.top));
        const RECT r = BoundsInParent(f.window);
        EXPECT_EQ(f.parent, e.parent);
        EXPECT_EQ(ClassOf(f.window), e.cls);
        EXPECT_EQ(r.left, AtDpi(e.left, dpi));
        EXPECT_EQ(r.top, AtDpi(e.top, dpi));
        if (e.width >= 0) {
            EXPECT_EQ(r.right - r.left, AtDpi(e.width, dpi));
            EXPECT_EQ(r.bottom - r.top, AtDpi(e.height, dpi));
        } else {
            EXPECT_GT(r.right - r.left, e.text.empty() ? -1 : 0);
            const auto [face, bold] = MainWindowFontOf(e.text);
            EXPECT_EQ(r.bottom - r.top, program::CaptionFont(dpi, face, bold).Height());
        }
        EXPECT_EQ(ControlText(f.window), e.text);
        if (e.checked >= 0) {
            EXPECT_EQ(SendMessageA(f.window, BM_GETCHECK, 0, 0), e.checked);
        }
        // Everything inside a group box fits in it, so no caption is cut off.
        if (*e.parent && measurable) {
            const RECT box = BoundsInParent(GetParent(f.window));
            EXPECT_LE(r.right, box.right - box.left - 2);
        }
        EXPECT_TRUE(IsWindowVisible(f.window));
    }
    if (measurable)
        ExpectMainWindowCaptionsFit(program.main, dpi);

    // The window itself: caption, exact client size, fixed single border
    // with the minimise box only, owned by the hidden application window.
    EXPECT_EQ(TextOf(program.main), "Snaplark");
    const SIZE client = ClientSize(program.main);
    EXPECT_EQ(client.cx, AtDpi(223, dpi));
    EXPECT_EQ(client.cy, AtDpi(419, dpi));
    const LONG style = GetWindowLongA(program.main, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    HWND owner = GetWindow(program.main, GW_OWNER);
    EXPECT_EQ(ClassOf(owner), "TApplication");
    EXPECT_EQ(TextOf(owner), "Snaplark");
    // Centred on the screen the first time it is shown.
    RECT w{};
    GetWindowRect(program.main, &w);
    EXPECT_NEAR((w.left + w.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((w.top + w.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    if (dpi != 96) {
        const std::optional<Pixels> shot = SettledWindowPixels(program.main);
        ASSERT_TRUE(shot.has_value()) << "the window never showed";
        EXPECT_TRUE(SavePng(ArtifactDir() + "\\main_window_" + std::to_string(dpi) + ".png", *shot));
    }
}

TEST(MainWindow, ScreenshotOfTheShownWindow)
{
    Resident program;
    ShowMainWindow(program.main);
    RECT r{};
    GetWindowRect(program.main, &r);
    const Pixels shot = ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top);
    // The window is really on the screen: its client area is mostly the
    // button face, not whatever was behind it.
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    const uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    int faceCount = 0;
    for (uint32_t px : shot.rgb)
        faceCount += px == faceRgb;
    EXPECT_GT(faceCount, static_cast<int>(shot.rgb.size()) / 2);

    EXPECT_TRUE(SavePng(ArtifactDir() + "\\main_window.png", shot));
}

// The About panel names the true Windows version, also where the system
// reports 6.2 to programs without a manifest naming it: Wine's version is set
// per program for each row. (Wine 8 swaps the product types of "win7" and
// "win2008r2", so version 6.1 is left to the unit tests of the table.)
TEST(MainWindow, OsLabelNamesTheWindowsVersionWineReports)
{
    struct Row {
        const char* wine;
        const char* label;
    };
    const std::vector<Row> rows = {
        {"win2003", "Windows 2003"},
        {"vista", " Windows Vista"},
        {"win2008", " Windows Server 2008"},
        {"win8", " Windows 8"},
        {"win81", " Windows 8.1"},
        {"win10", " Windows 10"},
    };
    WineVersion wine;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wine);
        ASSERT_TRUE(wine.Set(row.wine));
        Resident program;
        ASSERT_NE(program.main, nullptr);
        EXPECT_EQ(OslText(program.main), row.label);
        EXPECT_TRUE(program.process.Running());
    }
    // And without a setting: Wine's own default.
    wine.Clear();
    Resident program;
    EXPECT_EQ(OslText(program.main), OsLabelText(TrueVersion()));
}

// Tab goes from group to group and lands on the checked button of a radio
// group; the arrows move within a group and select as they go. (That Tab
// itself never changes a setting is framework_test's: Wine's radio buttons
// never report a click when they get the focus, as Windows' do.)
TEST(MainWindow, TabMovesBetweenGroupsAndArrowsChooseWithinOne)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    Resident program;
    ShowMainWindow(program.main);
    const program::MainControls c(program.main);
    ASSERT_TRUE(c.Found());
    const HWND dirSel = ChildAt(GroupBox(program.main, "Directory"), "Button", 8, 16);
    const std::vector<HWND> stops = {c.fullscreen, c.gdi,      c.clipboard, dirSel,
                                     c.timer,      c.timeE,    c.png,       c.autorun,
                                     c.sound,      c.keys,     c.save,      c.exit};
    EXPECT_EQ(TabOrder(program.main), stops);

    auto press = [&](WORD key, std::vector<WORD> modifiers = {}) {
        const HWND from = FocusOf(program.main);
        PressKey(key, modifiers);
        return WaitFor([&] { return FocusOf(program.main) != from; }, 3s);
    };
    // Round all the stops with Tab and back with Shift+Tab.
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == program.main; }));
    ASSERT_TRUE(press(VK_TAB));
    std::vector<HWND> visited = {FocusOf(program.main)};
    for (size_t i = 1; i < stops.size(); ++i) {
        ASSERT_TRUE(press(VK_TAB)) << "Tab press " << i;
        visited.push_back(FocusOf(program.main));
    }
    std::vector<HWND> sortedVisited = visited, sortedStops = stops;
    std::sort(sortedVisited.begin(), sortedVisited.end());
    std::sort(sortedStops.begin(), sortedStops.end());
    EXPECT_EQ(sortedVisited, sortedStops);
    const HWND last = FocusOf(program.main);
    ASSERT_TRUE(press(VK_TAB, {VK_SHIFT}));
    EXPECT_EQ(FocusOf(program.main), visited[visited.size() - 2]);
    EXPECT_TRUE(press(VK_TAB));
    EXPECT_EQ(FocusOf(program.main), last);

    // The arrows within Source: each button passed becomes the choice, round
    // the end of the group and never out of it.
    while (FocusOf(program.main) != c.fullscreen)
        ASSERT_TRUE(press(VK_TAB));
    struct Step {
        WORD key;
        HWND chosen;
    };
    for (const Step& step : {Step{VK_RIGHT, c.rectangle}, Step{VK_DOWN, c.window},
                             Step{VK_RIGHT, c.fullscreen}, Step{VK_LEFT, c.window},
                             Step{VK_UP, c.rectangle}}) {
        ASSERT_TRUE(press(step.key));
        EXPECT_EQ(FocusOf(program.main), step.chosen);
        EXPECT_TRUE(WaitFor([&] { return program::Checked(step.chosen); }, 3s));
        for (HWND other : {c.fullscreen, c.rectangle, c.window}) {
            if (other != step.chosen) {
                EXPECT_FALSE(program::Checked(other));
            }
        }
    }
    // Tab comes back to the new choice.
    EXPECT_EQ(TabOrder(program.main).front(), c.rectangle);

    // A disabled button is passed over: with timer mode on, Clipboard cannot
    // be chosen with the arrows either.
    program::Click(c.timer);
    ASSERT_FALSE(IsWindowEnabled(c.clipboard));
    while (FocusOf(program.main) != c.file)
        ASSERT_TRUE(press(VK_TAB));
    PressKey(VK_LEFT);
    PressKey(VK_TAB);  // its arrival marks that the Left press was handled
    ASSERT_TRUE(WaitFor([&] { return FocusOf(program.main) != c.file; }, 3s));
    EXPECT_TRUE(program::Checked(c.file));
    EXPECT_FALSE(program::Checked(c.clipboard));
}

TEST(MainWindow, LogOffEndsAtOnceAndACancelledOneLeavesTheCloseButtonHiding)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    {
        Resident program;
        // Asked, the program never holds the log-off up; then another
        // program cancels it and the session goes on.
        EXPECT_EQ(SendMessageA(program.main, WM_QUERYENDSESSION, 0, 0), TRUE);
        SendMessageA(program.main, WM_ENDSESSION, FALSE, 0);
        ShowMainWindow(program.main);
        SendMessageA(program.main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(program.main); }));
        // Nothing announces that a process stays: give it a moment to end.
        EXPECT_FALSE(WaitFor([&] { return !program.process.Running(); }, 1s))
            << "closing the window ended the program";
    }
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    Resident program;
    const HWND app = FindWindowOf(program.process.Pid(), "TApplication", "Snaplark");
    ASSERT_NE(app, nullptr);
    for (HWND w : WindowsOf(program.process.Pid()))
        EXPECT_NE(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), FALSE) << ClassOf(w);
    // The log-off goes ahead: the program ends at once, storing nothing.
    SendMessageTimeoutA(app, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(program.process.Wait(5s), std::optional<DWORD>(0));
    EXPECT_EQ(program::ValueCount(program::kSettingsKey), 0);
}

// A low-level keyboard hook of the test's, on a thread of its own: installed
// after the program's hooks it is called before them, and it swallows Print
// Screen as a hook that the system skipped would lose it.
class PrintScreenSwallower {
public:
    PrintScreenSwallower()
    {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &id_);
        WaitForSingleObject(ready_, 5000);
    }
    ~PrintScreenSwallower()
    {
        while (!PostThreadMessageA(id_, WM_QUIT, 0, 0))
            Sleep(10);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    LONG Swallowed() const { return swallowed_; }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        auto* me = static_cast<PrintScreenSwallower*>(self);
        current_ = me;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for WM_QUIT
        HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, Swallow, GetModuleHandleA(nullptr), 0);
        SetEvent(me->ready_);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        UnhookWindowsHookEx(hook);
        return 0;
    }
    static LRESULT CALLBACK Swallow(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (code == HC_ACTION && key->vkCode == VK_SNAPSHOT) {
            if (!(key->flags & LLKHF_UP))
                InterlockedIncrement(&current_->swallowed_);
            return 1;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline PrintScreenSwallower* current_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD id_ = 0;
    volatile LONG swallowed_ = 0;
};

TEST(MainWindow, HooksAreInstalledAgainWhenTheSessionComesBack)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    program::Resident program;  // a capture goes to the clipboard
    ASSERT_NE(program.main, nullptr);
    struct Event {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    for (const Event& event : {Event{"resumed", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC},
                               Event{"resumed by the user", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND},
                               Event{"unlocked", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK}}) {
        SCOPED_TRACE(event.name);
        PrintScreenSwallower swallower;
        const DWORD sequence = GetClipboardSequenceNumber();
        PressKey(VK_SNAPSHOT, {VK_SHIFT});
        ASSERT_TRUE(WaitFor([&] { return swallower.Swallowed() == 1; }, 5s))
            << "the test's hook is not first in line";
        SendMessageA(program.main, event.message, event.wParam, 0);
        // The hook thread installs the hooks a moment later: press until a
        // capture arrives.
        bool captured = false;
        for (int attempt = 0; attempt < 5 && !captured; ++attempt) {
            PressKey(VK_SNAPSHOT, {VK_SHIFT});
            captured = WaitForClipboardBitmap(sequence, 2s).has_value();
        }
        EXPECT_TRUE(captured) << "Print Screen never reached the program again";
    }
}

TEST(MainWindow, CancellingTheFolderDialogKeepsTheDirectory)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    ASSERT_TRUE(program::SetString(program::kSettingsKey, "Directory", "C:\\Shots"));
    Resident program;
    ShowMainWindow(program.main);
    const program::MainControls c(program.main);
    ASSERT_TRUE(c.Found());
    PostMessageA(ChildAt(GroupBox(program.main, "Directory"), "Button", 8, 16), BM_CLICK, 0, 0);
    const HWND dialog = WaitForWindow(program.process.Pid(), "#32770", nullptr, 10s, true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.main);
    bool titled = false;
    HWND cancel = nullptr;
    for (HWND w : ChildrenOf(dialog)) {
        titled |= TextOf(w) == "Please specify a directory";
        if (GetDlgCtrlID(w) == IDCANCEL)
            cancel = w;
    }
    EXPECT_TRUE(titled);
    ASSERT_NE(cancel, nullptr);
    ClickWindow(cancel);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(TextOf(c.dirL), "C:\\Shots");
    program::Click(c.save);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, program::kSettingsKey, "Directory"), "C:\\Shots");
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
}

// The shell runs the command registered for a URL scheme; the test's
// command writes down what the program asked it to open. It is a script for
// the windowed script host: a console command (cmd.exe) started from the
// program left Wine's desktop so that the tray tests run after it failed.
class RecordedOpens {
public:
    RecordedOpens() : dir_(MakeTempDir("links")), file_(dir_ + "\\opened.txt")
    {
        std::string escaped;
        for (char ch : file_)
            escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
        const std::string script = dir_ + "\\record.js";
        const std::string text = "var f = new ActiveXObject('Scripting.FileSystemObject')"
                                 ".OpenTextFile('" + escaped + "', 8, true);"
                                 "f.WriteLine(WScript.Arguments(0)); f.Close();";
        HANDLE out = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(out);
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        const std::string command =
            std::string("\"") + system + "\\wscript.exe\" \"" + script + "\" \"%1\"";
        for (const char* scheme : {"https", "mailto"}) {
            const std::string key = Key(scheme);
            saved_.push_back(ReadString(HKEY_LOCAL_MACHINE, key, ""));
            HKEY k = nullptr;
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
            RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>(command.size() + 1));
            RegCloseKey(k);
        }
    }
    ~RecordedOpens()
    {
        size_t i = 0;
        for (const char* scheme : {"https", "mailto"}) {
            const std::optional<std::string>& old = saved_[i++];
            HKEY k = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key(scheme).c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
                continue;
            if (old)
                RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old->c_str()),
                               static_cast<DWORD>(old->size() + 1));
            else
                RegDeleteValueA(k, nullptr);
            RegCloseKey(k);
        }
        RemoveTree(dir_);
    }
    // What has been opened so far, one address a line; nothing while a
    // script still holds the file.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::vector<uint8_t> bytes;
        try {
            bytes = ReadFileBytes(file_);
        } catch (const std::exception&) {
            return lines;
        }
        std::string line;
        for (uint8_t ch : bytes) {
            if (ch == '\r' || ch == '\n') {
                if (!line.empty())
                    lines.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(ch);
            }
        }
        return lines;
    }

private:
    static std::string Key(const char* scheme)
    {
        return std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command";
    }
    std::string dir_;
    std::string file_;
    std::vector<std::optional<std::string>> saved_;
};

TEST(MainWindow, LinksTurnRedUnderTheMouseAndOpenTheirAddresses)
{
    RecordedOpens opened;
    Resident program;
    ShowMainWindow(program.main);
    const HWND about = GroupBox(program.main, "About");
    const HWND home = ChildAt(about, "Static", 72, 96);
    const HWND mail = ChildAt(about, "Static", 84, 112);
    ASSERT_NE(home, nullptr);
    ASSERT_NE(mail, nullptr);
    auto colourCount = [](HWND w, uint32_t rgb) {
        RECT r{};
        GetWindowRect(w, &r);
        const Pixels p = ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top);
        return std::count(p.rgb.begin(), p.rgb.end(), rgb);
    };
    const uint32_t red = 0xFF0000, blue = 0x0000FF;
    RECT outside{};
    GetWindowRect(GroupBox(program.main, "Format"), &outside);
    for (HWND link : {home, mail}) {
        SCOPED_TRACE(TextOf(link));
        RECT r{};
        GetWindowRect(link, &r);
        MoveMouse((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        EXPECT_TRUE(WaitFor([&] { return colourCount(link, red) > 10; }, 3s)) << "not red under the mouse";
        EXPECT_EQ(colourCount(link, blue), 0);
        MoveMouse(outside.left + 5, outside.top + 5);
        EXPECT_TRUE(WaitFor([&] { return colourCount(link, blue) > 10; }, 3s)) << "not blue again";
        EXPECT_EQ(colourCount(link, red), 0);
    }
    // One after the other, so the two scripts never write at once. Each
    // starts a script host under Wine, which on a busy machine can take many
    // seconds.
    std::vector<std::string> lines;
    ClickWindow(home);
    EXPECT_TRUE(WaitFor([&] { return (lines = opened.Lines()).size() == 1; }, 30s));
    ClickWindow(mail);
    EXPECT_TRUE(WaitFor([&] { return (lines = opened.Lines()).size() == 2; }, 30s));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "https://snaplark.example.com/",
                         "mailto:snaplark@example.com?subject=Snaplark%20support"}));
}

// A start-up step that raises, in-process and last, as start-up changes this
// test program too: the selection overlay's window cannot be created,
// because the test registered its class first with a procedure that refuses
// every window.
LRESULT CALLBACK RefuseWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_NCCREATE ? FALSE : DefWindowProcA(window, message, wParam, lParam);
}

TEST(MainWindow, StartUpThatFailsUndoesItselfReportsAndQuits)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    if (!snaplark::ui::App().Handle())
        snaplark::ui::App().Initialize();
    WNDCLASSA refused{};
    refused.lpfnWndProc = RefuseWindow;
    refused.hInstance = GetModuleHandleA(nullptr);
    refused.lpszClassName = "TCaptureForm";
    ASSERT_TRUE(RegisterClassA(&refused));
    struct Box {
        std::string text;
        bool mutexHeld;
        bool keysWindow;
    };
    std::vector<Box> boxes;
    snaplark::ui::SetErrorBoxDisplay([&](HWND, const std::string& text, const char*, UINT) {
        boxes.push_back({text, MutexExists(),
                         FindWindowOf(GetCurrentProcessId(), "TKbdForm", nullptr) != nullptr});
        return IDOK;
    });
    {
        snaplark::TMainForm form;
        // Reported once everything is undone, so the box's own message loop
        // runs with nothing of the program half-started.
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Cannot create the window TCaptureForm.");
        EXPECT_FALSE(boxes[0].mutexHeld);
        EXPECT_FALSE(boxes[0].keysWindow);
        EXPECT_EQ(snaplark::HookThreadObj, nullptr);
        EXPECT_FALSE(form.CoolTrayIcon.IconVisible());
        // The program then ends, with a code that says it failed.
        MSG quit{};
        ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(quit.wParam, 1u);
    }
    snaplark::ui::SetErrorBoxDisplay({});
    UnregisterClassA("TCaptureForm", GetModuleHandleA(nullptr));
    // Nothing was stored: the controls never held the settings.
    EXPECT_LE(program::ValueCount(program::kSettingsKey), 0);
    // What start-up did to this test program itself.
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    if (snaplark::InstanceMutex)
        CloseHandle(std::exchange(snaplark::InstanceMutex, nullptr));
}

HHOOK WINAPI RefuseHook(int, HOOKPROC, HINSTANCE, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// Without its hooks the program is told so, with the system's reason, and
// runs on in the tray, where its watchdog may yet install them.
TEST(MainWindow, HooksThatCannotBeInstalledAreReportedAndTheProgramRunsOn)
{
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    if (!snaplark::ui::App().Handle())
        snaplark::ui::App().Initialize();
    std::vector<std::string> boxes;
    snaplark::ui::SetErrorBoxDisplay([&](HWND, const std::string& text, const char*, UINT) {
        boxes.push_back(text);
        return IDOK;
    });
    snaplark::SetHookInstaller(RefuseHook);
    {
        snaplark::TMainForm form;
        EXPECT_TRUE(WaitFor([&] { Pump(); return !boxes.empty(); }, 5s));
        EXPECT_EQ(boxes, std::vector<std::string>{"Cannot install the keyboard and mouse hooks. " +
                                                  snaplark::ui::SystemErrorText(ERROR_ACCESS_DENIED) + "."});
        EXPECT_TRUE(form.CoolTrayIcon.IconVisible());
        snaplark::ui::CloseAction action = snaplark::ui::CloseAction::Hide;
        form.FormClose(action);
    }
    snaplark::SetHookInstaller(nullptr);
    snaplark::ui::SetErrorBoxDisplay({});
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

}  // namespace
