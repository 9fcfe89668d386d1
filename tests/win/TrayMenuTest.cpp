// The real Snaplark.exe in the notification area of the test desktop: the
// icon from start-up to Exit and after the taskbar comes back, left clicks
// that show the main window, the menu with its pictures and items, and every
// way of putting the window back into the tray.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>

#include "app/TrayIcon.h"
#include "tests/win/ProgramControls.h"
#include "tests/win/TrayTestSupport.h"
#include "ui/DpiScale.h"

using namespace driver;
using namespace program;
using namespace tray;
using snaplark::TrayCallbackMessage;

namespace {

// Items of the menu that show a picture (all but the separators).
constexpr size_t kItemCount = 9;

const std::vector<Picture>& Pictures()
{
    static const std::vector<Picture> pictures = MenuPictures();
    return pictures;
}

struct OpenMenu {
    HWND window = nullptr;
    RECT bounds{};
    Pixels shot;
    std::map<int, POINT> shown;  // picture index -> screen position
};

struct NoStoredSettings {
    NoStoredSettings() { DeleteTree(HKEY_CURRENT_USER, kSettingsKey); }
};

// The program started with no stored settings (so Clipboard and Full screen
// are current), through its start-up, with its icon in the tray.
struct TrayProgram : NoStoredSettings, Resident {
    HWND app = nullptr;
    HWND tray = nullptr;

    TrayProgram()
    {
        app = FindWindowOf(process.Pid(), "TApplication", "Snaplark");
        tray = WaitForWindow(process.Pid(), "TTrayWindow", nullptr);
        WaitFor([&] { return tray && ShellHasIcon(tray); });
    }
    ~TrayProgram()
    {
        // Kill (by the Process owner) would leave the icon behind; Exit
        // takes it away.
        if (process.Running())
            Exit();
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }

    POINT IconCentre() const
    {
        std::optional<POINT> at;
        WaitFor([&] { return (at = IconOnScreen()).has_value(); }, 5s);
        EXPECT_TRUE(at.has_value()) << "the icon is not on the screen";
        return at ? POINT{at->x + 8, at->y + 8} : POINT{0, 0};
    }

    // Everything of the program that shows: no windows, no taskbar button.
    bool NothingVisible() const { return WindowsOf(process.Pid(), true).empty(); }
    std::string Visible() const
    {
        std::string names;
        for (HWND w : WindowsOf(process.Pid(), true))
            names += ClassOf(w) + (IsIconic(w) ? " (iconic) " : " ");
        return names;
    }

    // Returns once the main thread is back in its message loop, so that what
    // came before (a menu choice's handler too) has run. A sent message is no
    // proof: the thread answers one wherever it waits (the menu's last look
    // at the queue, the activation that moves while the menu's window goes).
    // A posted one is taken only by a message loop, and the menu's own loop
    // is over once menu mode ends. The mark is the pushed look of the hidden
    // window's Keys button, which nothing here reads.
    void Settle() const
    {
        WaitFor([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) &&
                   (info.flags & GUI_INMENUMODE) == 0;
        });
        const HWND mark = MainControls(main).keys;
        PostMessageA(mark, BM_SETSTATE, TRUE, 0);
        WaitFor([&] { return (SendMessageA(mark, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; });
        SendMessageA(mark, BM_SETSTATE, FALSE, 0);
    }

    // A second click of a button soon after the first is a double click,
    // which the shell reports as such (a right one opens no menu); clicks
    // here are meant one by one. The system keeps the last click across
    // programs, so the times are the test's, not the program's.
    static void PastDoubleClick(ULONGLONG& last)
    {
        const ULONGLONG due = last + GetDoubleClickTime() + 100;
        while (GetTickCount64() < due)
            Sleep(20);
        last = GetTickCount64();
    }
    void ClickIcon()
    {
        const POINT c = IconCentre();
        PastDoubleClick(lastClick);
        LeftClick(c.x, c.y);
    }
    // The test program that ran just before this one may have clicked the
    // icon moments before this one started.
    static inline ULONGLONG lastClick = GetTickCount64();
    static inline ULONGLONG lastRightClick = GetTickCount64();

    OpenMenu MenuAt(HWND window, const std::vector<Picture>& pictures = Pictures()) const
    {
        OpenMenu m;
        m.window = window;
        if (!window)
            return m;
        GetWindowRect(window, &m.bounds);
        // Let the menu draw all of its items.
        WaitFor([&] {
            m.shot = ScreenPixels(m.bounds.left, m.bounds.top, m.bounds.right - m.bounds.left,
                                  m.bounds.bottom - m.bounds.top);
            m.shown.clear();
            for (int i = 0; i < static_cast<int>(pictures.size()); ++i)
                if (auto at = Find(m.shot, pictures[i]))
                    m.shown[i] = {m.bounds.left + at->x, m.bounds.top + at->y};
            return m.shown.size() >= kItemCount;
        }, 3s);
        return m;
    }

    OpenMenu OpenTrayMenu() const
    {
        const POINT c = IconCentre();
        PastDoubleClick(lastRightClick);
        RightClick(c.x, c.y);
        return MenuAt(WaitForWindow(process.Pid(), "#32768", nullptr, 5s, true));
    }

    bool MenuClosed() const
    {
        return WaitFor([&] { return !FindWindowOf(process.Pid(), "#32768", nullptr, true); });
    }

    // Opens the tray menu and clicks the item that shows one of these
    // pictures.
    void Choose(std::initializer_list<int> pictures) const
    {
        const OpenMenu m = OpenTrayMenu();
        std::optional<POINT> at;
        for (int picture : pictures)
            if (auto it = m.shown.find(picture); it != m.shown.end() && !at)
                at = it->second;
        if (!at)
            SavePng(ArtifactDir() + "\\tray_menu_missing_" + std::to_string(*pictures.begin()) + ".png", m.shot);
        ASSERT_TRUE(at.has_value()) << "picture " << *pictures.begin() << " is not in the menu";
        // A real click on the item, the pointer settled on it first.
        LeftClick(at->x + 40, at->y + 8);
        ASSERT_TRUE(MenuClosed());
        Settle();
    }
    void Choose(int picture) const { Choose({picture}); }
};

// The pictures the menu shows, in item order; -1 for an item whose picture
// was not found once.
std::vector<int> ShownInOrder(const OpenMenu& m)
{
    std::vector<std::pair<LONG, int>> byHeight;
    for (const auto& [picture, at] : m.shown)
        byHeight.push_back({at.y, picture});
    std::sort(byHeight.begin(), byHeight.end());
    std::vector<int> order;
    for (const auto& entry : byHeight)
        order.push_back(entry.second);
    return order;
}

uint32_t Rgb(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// Pixels of one colour (or, with same false, of any other) in the caption of
// the item that shows a picture: the strip right of the picture, as high as
// it.
int CaptionPixels(const OpenMenu& m, int picture, uint32_t rgb, bool same = true)
{
    const POINT at = m.shown.at(picture);
    int n = 0;
    for (int y = at.y - m.bounds.top; y < at.y - m.bounds.top + 16; ++y)
        for (int x = at.x - m.bounds.left + 20; x < m.shot.width - 4; ++x)
            n += (m.shot.At(x, y) == rgb) == same;
    return n;
}

bool Centred(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 &&
           std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1;
}

// The middle of a part of a window's frame (HTMINBUTTON, HTCLOSE) by the
// window's own hit test.
std::optional<POINT> FramePart(HWND w, LRESULT part)
{
    RECT r{};
    GetWindowRect(w, &r);
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = r.top; y < r.top + 40; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == part) {
                found.left = std::min<LONG>(found.left, x);
                found.top = std::min<LONG>(found.top, y);
                found.right = std::max<LONG>(found.right, x);
                found.bottom = std::max<LONG>(found.bottom, y);
            }
    if (found.left > found.right)
        return std::nullopt;
    return POINT{(found.left + found.right) / 2, (found.top + found.bottom) / 2};
}

TEST(TrayIcon, IsInTheTrayFromStartUpAndGoesWithExitFromTheMenu)
{
    TrayProgram program;
    ASSERT_NE(program.tray, nullptr);
    EXPECT_TRUE(ShellHasIcon(program.tray));
    EXPECT_TRUE(IconOnScreen().has_value());
    // The window the shell talks to never shows.
    EXPECT_FALSE(IsWindowVisible(program.tray));
    EXPECT_TRUE(program.NothingVisible());

    // "Exit" ends the program as the Exit button does: the settings are
    // stored, the mutex freed, and the icon goes.
    program.Choose(2);
    EXPECT_EQ(program.process.Wait(10s), std::optional<DWORD>(0));
    EXPECT_FALSE(MutexHeld());
    EXPECT_GT(ValueCount(kSettingsKey), 0);
    EXPECT_FALSE(ShellHasIcon(program.tray));
    EXPECT_TRUE(WaitFor([] { return !IconOnScreen(); }, 3s)) << "the icon stayed in the tray";
}

TEST(TrayIcon, ComesBackWhenTheTaskbarIsCreatedAgain)
{
    TrayProgram program;
    ASSERT_TRUE(ShellHasIcon(program.tray));
    // The shell forgets the icon, as a restarted shell would ...
    ASSERT_TRUE(DeleteIcon(program.tray));
    ASSERT_TRUE(WaitFor([&] { return !IconOnScreen(); }, 3s));
    // ... and announces its new taskbar to every top-level window.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    for (HWND w : WindowsOf(program.process.Pid()))
        SendMessageTimeoutA(w, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_TRUE(WaitFor([&] { return ShellHasIcon(program.tray); }, 3s));
    EXPECT_TRUE(WaitFor([] { return IconOnScreen().has_value(); }, 3s));
    EXPECT_TRUE(program.NothingVisible());
}

TEST(TrayIcon, LeftClickShowsTheWindowInFrontWithItsTaskbarButton)
{
    TrayProgram program;
    ASSERT_TRUE(program.NothingVisible());
    program.ClickIcon();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
    program.Settle();
    EXPECT_TRUE(Centred(program.main)) << "centred the first time it is shown";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == program.main; }));
    EXPECT_TRUE(IsWindowVisible(program.app)) << "no taskbar button";

    // Moved, hidden by the close button, and shown again: where it was left.
    SetWindowPos(program.main, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const auto close = FramePart(program.main, HTCLOSE);
    ASSERT_TRUE(close.has_value());
    LeftClick(close->x, close->y);
    ASSERT_TRUE(WaitFor([&] { return program.NothingVisible(); })) << program.Visible();
    program.ClickIcon();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
    RECT r{};
    GetWindowRect(program.main, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == program.main; }));
    EXPECT_TRUE(IsWindowVisible(program.app));
}

TEST(TrayIcon, LeftClickBringsAnOpenModalWindowForward)
{
    TrayProgram program;
    program.ClickIcon();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
    PostMessageA(program.Controls().keys, BM_CLICK, 0, 0);
    HWND keys = WaitForWindow(program.process.Pid(), "TKbdForm", "Keys", 10s, true);
    ASSERT_NE(keys, nullptr);

    // Another program's window goes in front of both.
    HWND other = CreateWindowExA(0, "STATIC", "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                                 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] {
        Pump();
        return GetForegroundWindow() == other;
    }));

    program.ClickIcon();
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == keys; }))
        << "foreground: " << ClassOf(GetForegroundWindow());
    DestroyWindow(other);
    PostMessageA(keys, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(keys); }));
}

TEST(TrayIcon, MinimiseMenuMinimizeAndTheCloseButtonLeaveOnlyTheIcon)
{
    TrayProgram program;
    struct Way {
        const char* name;
        std::function<void()> hide;
    };
    const std::vector<Way> ways = {
        {"title-bar minimise button", [&] {
             const auto button = FramePart(program.main, HTMINBUTTON);
             ASSERT_TRUE(button.has_value());
             LeftClick(button->x, button->y);
         }},
        {"menu Minimize", [&] { program.Choose(1); }},
        {"title-bar close button", [&] {
             const auto button = FramePart(program.main, HTCLOSE);
             ASSERT_TRUE(button.has_value());
             LeftClick(button->x, button->y);
         }},
        // Twice in a row, so a minimised taskbar window is restored properly.
        {"menu Minimize again", [&] { program.Choose(1); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        program.ClickIcon();
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.app) != 0; }));
        program.Settle();
        way.hide();
        EXPECT_TRUE(WaitFor([&] { return program.NothingVisible(); }))
            << program.Visible();
        program.Settle();
        EXPECT_FALSE(IsIconic(program.main)) << "iconised instead of hidden";
        EXPECT_TRUE(program.process.Running());
        EXPECT_TRUE(ShellHasIcon(program.tray));
    }
    // And the menu's Restore brings it back like a click on the icon.
    program.Choose(0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(program.app) != 0 && !IsIconic(program.app); }));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == program.main; }));
}

TEST(TrayMenu, OpensAtTheCursorWithTheCurrentChoicesInColour)
{
    TrayProgram program;
    const POINT c = program.IconCentre();
    const OpenMenu m = program.OpenTrayMenu();
    ASSERT_NE(m.window, nullptr);
    SavePng(ArtifactDir() + "\\tray_menu.png", m.shot);

    // At the cursor, as far as the work area lets it: the menu opens from
    // the screen's bottom-right corner, so it is pushed up and left until
    // it fits.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(std::abs(m.bounds.left - c.x) <= 1 || std::abs(m.bounds.right - c.x) <= 1 ||
                (m.bounds.right == work.right && m.bounds.left < c.x))
        << m.bounds.left << ".." << m.bounds.right << " for x " << c.x;
    EXPECT_TRUE(std::abs(m.bounds.top - c.y) <= 1 || std::abs(m.bounds.bottom - c.y) <= 1 ||
                (m.bounds.bottom == work.bottom && m.bounds.top < c.y))
        << m.bounds.top << ".." << m.bounds.bottom << " for y " << c.y;

    // Clipboard and Full screen are current after a start without settings.
    EXPECT_EQ(ShownInOrder(m), (std::vector<int>{9, 12, 14, 3, 6, 8, 0, 1, 2}));

    // A click elsewhere closes it and changes nothing.
    LeftClick(200, 200);
    EXPECT_TRUE(program.MenuClosed());
    program.Settle();
    EXPECT_TRUE(program.NothingVisible());
    const MainControls controls = program.Controls();
    EXPECT_TRUE(Checked(controls.fullscreen));
    EXPECT_TRUE(Checked(controls.clipboard));
    EXPECT_FALSE(Checked(controls.timer));
}

// At 144 DPI the menu's pictures are half as large again, every pixel grown
// whole, and in the same places. The menu is opened as the shell does on a
// right click on the icon (the test desktop's shell was started at 96 DPI
// and draws the icon at its own size, so it is not looked for on screen).
TEST(TrayMenu, PicturesGrowWithTheDpi)
{
    const DesktopDpi desktop(144);
    TrayProgram program;
    std::vector<Picture> grown;
    for (const Picture& p : Pictures()) {
        Picture g;
        g.width = g.height = 24;
        g.rgb = snaplark::ui::ScaleCellsNearest(p.rgb, p.width, p.height, 1, 24, 24);
        grown.push_back(std::move(g));
    }
    MoveMouse(400, 300);
    SettlePointer();
    PostMessageA(program.tray, TrayCallbackMessage, kIconId, WM_RBUTTONDOWN);
    const OpenMenu m =
        program.MenuAt(WaitForWindow(program.process.Pid(), "#32768", nullptr, 5s, true), grown);
    ASSERT_NE(m.window, nullptr);
    SavePng(ArtifactDir() + "\\tray_menu_144.png", m.shot);
    EXPECT_EQ(ShownInOrder(m), (std::vector<int>{9, 12, 14, 3, 6, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(program.MenuClosed());
}

TEST(TrayMenu, ChoicesClickTheMainWindowsButtonsAndKeepItHidden)
{
    TrayProgram program;
    const MainControls controls = program.Controls();

    program.Choose(12);  // Rectangle
    EXPECT_TRUE(Checked(controls.rectangle));
    EXPECT_FALSE(Checked(controls.fullscreen));
    EXPECT_FALSE(Checked(controls.window));
    EXPECT_TRUE(program.NothingVisible());
    EXPECT_EQ(ShownInOrder(program.OpenTrayMenu()), (std::vector<int>{10, 11, 14, 3, 6, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());

    program.Choose(6);  // To File
    EXPECT_TRUE(Checked(controls.file));
    EXPECT_FALSE(Checked(controls.clipboard));
    program.Choose(14);  // Window
    EXPECT_TRUE(Checked(controls.window));
    EXPECT_FALSE(Checked(controls.rectangle));

    // The current item again: nothing changes.
    program.Choose(13);
    program.Choose(5);
    EXPECT_TRUE(Checked(controls.window));
    EXPECT_TRUE(Checked(controls.file));
    EXPECT_FALSE(Checked(controls.clipboard));
    EXPECT_TRUE(program.NothingVisible());
    const OpenMenu m = program.OpenTrayMenu();
    SavePng(ArtifactDir() + "\\tray_menu_window_file.png", m.shot);
    EXPECT_EQ(ShownInOrder(m), (std::vector<int>{10, 12, 13, 4, 5, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());

    // Choices made in the window show in the menu the same way.
    Click(controls.fullscreen);
    Click(controls.clipboard);
    program.Settle();
    EXPECT_EQ(ShownInOrder(program.OpenTrayMenu()), (std::vector<int>{9, 12, 14, 3, 6, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());
}

TEST(TrayMenu, OnTimerTogglesTheCheckBoxAndMakesFileCurrent)
{
    TrayProgram program;
    const MainControls controls = program.Controls();
    const int onTimer = 5;  // position among the pictures of ShownInOrder
    program.Choose(8);
    EXPECT_TRUE(Checked(controls.timer));
    EXPECT_TRUE(Checked(controls.file));
    EXPECT_FALSE(Checked(controls.clipboard));
    EXPECT_FALSE(IsWindowEnabled(controls.clipboard));
    EXPECT_TRUE(program.NothingVisible());
    const OpenMenu on = program.OpenTrayMenu();
    SavePng(ArtifactDir() + "\\tray_menu_on_timer.png", on.shot);
    std::vector<int> shown = ShownInOrder(on);
    ASSERT_EQ(shown.size(), kItemCount);
    shown[onTimer] = -1;  // the clock is the check box handler's (see below)
    EXPECT_EQ(shown, (std::vector<int>{9, 12, 14, 4, 5, -1, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());

    program.Choose({7, 8});
    EXPECT_FALSE(Checked(controls.timer));
    EXPECT_TRUE(Checked(controls.file)) << "File stays the destination";
    EXPECT_TRUE(IsWindowEnabled(controls.clipboard));
    EXPECT_EQ(ShownInOrder(program.OpenTrayMenu()), (std::vector<int>{9, 12, 14, 4, 5, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());
}

// The clock in colour while timer mode is on comes from TimerCB's click
// handler calling TMainForm::SetOnTimerPicture; enable once it does.
TEST(TrayMenu, OnTimerShowsItsClockInColourWhileChecked)
{
    TrayProgram program;
    program.Choose(8);
    EXPECT_EQ(ShownInOrder(program.OpenTrayMenu()), (std::vector<int>{9, 12, 14, 4, 5, 7, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());
    program.Choose(7);
    EXPECT_EQ(ShownInOrder(program.OpenTrayMenu()), (std::vector<int>{9, 12, 14, 4, 5, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.MenuClosed());
}

// While timer mode forces File, To Clipboard is disabled in the window, and
// so in the menu: grey, and choosing it does nothing. (Chosen with the keys:
// down to it, the first Down selecting the first item, and Enter.)
TEST(TrayMenu, ToClipboardIsGreyAndTakesNoChoiceWhileTimerModeIsOn)
{
    TrayProgram program;
    const MainControls controls = program.Controls();
    auto chooseToClipboard = [] {
        for (int i = 0; i < 4; ++i)
            PressKey(VK_DOWN);
        PressKey(VK_RETURN);
    };
    Click(controls.timer);
    ASSERT_FALSE(IsWindowEnabled(controls.clipboard));
    const OpenMenu m = program.OpenTrayMenu();
    ASSERT_TRUE(m.shown.count(4) && m.shown.count(5)) << "no To Clipboard or To File";
    // Under Wine the menu of another process cannot be asked for its items'
    // states: the captions are read from the screen, where a disabled one is
    // drawn, but not in the menu's text colour.
    SavePng(ArtifactDir() + "\\tray_menu_timer_grey.png", m.shot);
    const uint32_t text = Rgb(GetSysColor(COLOR_MENUTEXT));
    const uint32_t background = Rgb(GetSysColor(COLOR_MENU));
    EXPECT_EQ(CaptionPixels(m, 4, text), 0);
    EXPECT_GT(CaptionPixels(m, 4, background, false), 10) << "no caption";
    EXPECT_GT(CaptionPixels(m, 5, text), 10);
    chooseToClipboard();
    PressKey(VK_ESCAPE);  // a grey item may leave the menu open
    ASSERT_TRUE(program.MenuClosed());
    program.Settle();
    EXPECT_FALSE(Checked(controls.clipboard));
    EXPECT_TRUE(Checked(controls.file));

    // Timer mode off: To Clipboard can be chosen again.
    Click(controls.timer);
    ASSERT_TRUE(IsWindowEnabled(controls.clipboard));
    ASSERT_NE(program.OpenTrayMenu().window, nullptr);
    chooseToClipboard();
    ASSERT_TRUE(program.MenuClosed());
    program.Settle();
    EXPECT_TRUE(Checked(controls.clipboard));
    EXPECT_FALSE(Checked(controls.file));
}

// Once open, the menu takes the arrow keys and Enter as every menu does.
TEST(TrayMenu, ItemsCanBeChosenWithTheKeyboard)
{
    TrayProgram program;
    const MainControls controls = program.Controls();
    ASSERT_NE(program.OpenTrayMenu().window, nullptr);
    // The first Down selects the first item, the second the one below it.
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(program.MenuClosed());
    program.Settle();
    EXPECT_TRUE(Checked(controls.rectangle));
    EXPECT_FALSE(Checked(controls.fullscreen));
    EXPECT_TRUE(program.NothingVisible());
}

TEST(TrayMenu, IsAlsoTheMainWindowsContextMenu)
{
    TrayProgram program;
    program.ClickIcon();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(program.main) != 0; }));
    program.Settle();
    RECT r{};
    GetWindowRect(program.main, &r);
    // The empty strip between the Format box and the bottom row.
    RightClick(r.left + 110, r.bottom - 150);
    const OpenMenu m =
        program.MenuAt(WaitForWindow(program.process.Pid(), "#32768", nullptr, 5s, true));
    ASSERT_NE(m.window, nullptr);
    EXPECT_EQ(ShownInOrder(m), (std::vector<int>{9, 12, 14, 3, 6, 8, 0, 1, 2}));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(program.MenuClosed());
}

}  // namespace
