// The real Snaplark.exe under the test desktop: resident start-up, a single
// instance, hiding on close, Exit, the main window's layout at 96 DPI and
// scaled to other desktop DPIs, the About panel's version texts, and
// screenshots of the shown window.
#include "tests/driver/Driver.h"
#include "tests/win/CaptionFit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "app/OsLabel.h"
#include "tests/win/TestArtifacts.h"

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


TEST(MainWindow, StartsResidentWithNoVisibleWindow)
{
    Resident program;
    ASSERT_NE(program.main, nullptr);
    ASSERT_TRUE(MutexExists());
    // Nothing of the program shows up, also a while after start-up.
    EXPECT_FALSE(WaitFor([&] { return !WindowsOf(program.process.Pid(), true).empty(); }, 1500ms))
        << "a window of the program became visible";
    EXPECT_TRUE(program.process.Running());
}

TEST(MainWindow, SecondInstanceEndsSilentlyAndTheFirstRunsOn)
{
    Resident first;
    ASSERT_NE(first.main, nullptr);
    Process second = StartProgram();
    bool secondShowedAWindow = false;
    const bool ended = WaitFor([&] {
        secondShowedAWindow |= !WindowsOf(second.Pid(), true).empty();
        return !second.Running();
    }, 5s);
    ASSERT_TRUE(ended) << "the second instance kept running";
    EXPECT_EQ(second.Wait(0ms), std::optional<DWORD>(0));
    EXPECT_FALSE(secondShowedAWindow);
    EXPECT_TRUE(first.process.Running());
    EXPECT_TRUE(IsWindow(first.main));
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

// The About panel's name is bold and its version texts are in Tahoma.
std::pair<const char*, bool> MainWindowFontOf(const std::string& caption)
{
    if (caption == "Snaplark")
        return {"MS Sans Serif", true};
    if (caption == "Program Version" || caption == "1.0.0.0")
        return {"Tahoma", false};
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

TEST(MainWindow, ControlsMatchTheLayoutTable)
{
    // A first start: start-up applies the stored settings, whose defaults
    // check Fullscreen, Clipboard and PNG.
    DeleteTree(HKEY_CURRENT_USER, "Software\\Quenby\\Snaplark");
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
        EXPECT_EQ(r.left, e.left);
        EXPECT_EQ(r.top, e.top);
        if (e.width >= 0) {
            EXPECT_EQ(r.right - r.left, e.width);
        } else if (!e.text.empty()) {
            EXPECT_GT(r.right - r.left, 0);
        }
        EXPECT_EQ(r.bottom - r.top, e.height);
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
        ExpectMainWindowCaptionsFit(program.main, 96);

    // The window itself: caption, exact client size, fixed single border
    // with the minimise box only, owned by the hidden application window.
    EXPECT_EQ(TextOf(program.main), "Snaplark");
    const SIZE client = ClientSize(program.main);
    EXPECT_EQ(client.cx, 223);
    EXPECT_EQ(client.cy, 419);
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

// On a scaled desktop the whole layout grows by the DPI's share of 96, the
// client area included, with fonts of the same point size, and every
// caption still fits. Wine gives programs started after LogPixels was set
// that DPI. (Wine 8 makes every program per-monitor aware, manifest or not,
// so the awareness read here is the system's part; the manifest's is in
// resources_test.)
TEST(MainWindow, LayoutScalesWithTheDesktopDpi)
{
    const std::string osl = OsLabelText(TrueVersion());
    for (const UINT dpi : {120u, 144u}) {
        SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
        DeleteTree(HKEY_CURRENT_USER, "Software\\Quenby\\Snaplark");
        const DesktopDpi desktop(dpi);
        Resident program;
        ShowMainWindow(program.main);
        // Read from the window, whatever the reading thread's own awareness.
        EXPECT_EQ(WindowDpiAwareness(program.main), 2) << "not per-monitor aware";
        const SIZE client = ClientSize(program.main);
        EXPECT_EQ(client.cx, AtDpi(223, dpi));
        EXPECT_EQ(client.cy, AtDpi(419, dpi));

        const std::vector<ExpectedChild> table = LayoutTable(osl);
        const std::vector<Found> found = ChildrenInLayoutOrder(program.main);
        ASSERT_EQ(found.size(), table.size());
        for (size_t i = 0; i < table.size(); ++i) {
            const ExpectedChild& e = table[i];
            SCOPED_TRACE(std::string(e.parent) + " / " + e.cls + " \"" + e.text + "\"");
            const RECT r = BoundsInParent(found[i].window);
            EXPECT_EQ(ControlText(found[i].window), e.text);
            EXPECT_EQ(r.left, AtDpi(e.left, dpi));
            EXPECT_EQ(r.top, AtDpi(e.top, dpi));
            if (e.width >= 0) {
                EXPECT_EQ(r.right - r.left, AtDpi(e.width, dpi));
                EXPECT_EQ(r.bottom - r.top, AtDpi(e.height, dpi));
            } else {
                // A label is as high as its font.
                const auto [face, bold] = MainWindowFontOf(e.text);
                EXPECT_EQ(r.bottom - r.top, program::CaptionFont(dpi, face, bold).Height());
            }
        }
        ExpectMainWindowCaptionsFit(program.main, dpi);
        const std::optional<Pixels> shot = SettledWindowPixels(program.main);
        ASSERT_TRUE(shot.has_value()) << "the window never showed";
        EXPECT_TRUE(SavePng(ArtifactDir() + "\\main_window_" + std::to_string(dpi) + ".png", *shot));
    }
}

// The About panel names the true Windows version, also where the system
// reports 6.2 to programs without a manifest naming it: Wine's version is set
// per program for each row. (Wine 8 swaps the product types of "win7" and
// "win2008r2", so version 6.1 is left to the unit tests of the table.)
TEST(MainWindow, OsLabelNamesTheWindowsVersionWineReports)
{
    const char* key = "Software\\Wine\\AppDefaults\\Snaplark.exe";
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
    struct RemoveKey {
        const char* key;
        ~RemoveKey() { DeleteTree(HKEY_CURRENT_USER, key); }
    } cleanup{key};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wine);
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.wine),
                       static_cast<DWORD>(strlen(row.wine) + 1));
        RegCloseKey(k);
        Resident program;
        ASSERT_NE(program.main, nullptr);
        EXPECT_EQ(OslText(program.main), row.label);
        EXPECT_TRUE(program.process.Running());
    }
    // And without a setting: Wine's own default.
    DeleteTree(HKEY_CURRENT_USER, key);
    Resident program;
    EXPECT_EQ(OslText(program.main), OsLabelText(TrueVersion()));
}

}  // namespace
