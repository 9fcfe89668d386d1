// The Keys window of the real Snaplark.exe: its layout against the legend's
// tables at 96 DPI (scaled desktops: main_window_test), modal showing from
// the Keys button, and the same window coming back where it was left.
#include "tests/win/CaptionFit.h"
#include "tests/win/KeysLegend.h"
#include "tests/win/ProgramControls.h"
#include "tests/win/TestArtifacts.h"
#include "tests/win/TrayTestSupport.h"

#include <gtest/gtest.h>

using namespace driver;
using namespace program;

namespace {

void ShowMainWindow(HWND main)
{
    ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main) != 0; }));
    SendMessageA(main, WM_NULL, 0, 0);
}

HWND OpenKeysWindow(Resident& program)
{
    return program::OpenKeysWindow(program.process.Pid(), program.Controls().keys);
}

int CountColour(const Pixels& p, uint32_t rgb)
{
    int n = 0;
    for (uint32_t px : p.rgb)
        n += px == rgb;
    return n;
}

Pixels PixelsOf(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    return ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

TEST(KeysWindow, ExistsHiddenFromStartUp)
{
    Resident program;
    HWND keys = FindWindowOf(program.process.Pid(), "TKbdForm", "Keys");
    ASSERT_NE(keys, nullptr);
    EXPECT_FALSE(IsWindowVisible(keys));
    EXPECT_EQ(ClassOf(GetWindow(keys, GW_OWNER)), "TApplication");
}

TEST(KeysWindow, LayoutMatchesTheLegendTables)
{
    Resident program;
    ShowMainWindow(program.main);
    HWND keys = OpenKeysWindow(program);
    ASSERT_NE(keys, nullptr);
    RedrawWindow(keys, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    EXPECT_EQ(TextOf(keys), "Keys");
    const SIZE client = ClientSize(keys);
    EXPECT_EQ(client.cx, 208);
    EXPECT_EQ(client.cy, 72);
    const LONG style = GetWindowLongA(keys, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    const std::vector<HWND> top = ChildrenOf(keys);
    ASSERT_EQ(top.size(), 1u);
    HWND box = top[0];
    EXPECT_EQ(ClassOf(box), "Button");
    EXPECT_EQ(GetWindowLongA(box, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    EXPECT_EQ(TextOf(box), "Keys");
    const RECT b = BoundsInParent(box);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.top, 2);
    EXPECT_EQ(b.right - b.left, 205);
    EXPECT_EQ(b.bottom - b.top, 69);

    const std::vector<LegendRow>& rows = LegendRows();
    const std::vector<HWND> labels = ChildrenOf(box);
    ASSERT_EQ(labels.size(), rows.size());
    const uint32_t blue = 0x0000FF;
    for (size_t i = 0; i < rows.size(); ++i) {
        const LegendRow& row = rows[i];
        SCOPED_TRACE(row.caption);
        HWND l = labels[i];
        EXPECT_EQ(ClassOf(l), "Static");
        EXPECT_EQ(TextOf(l), row.caption);
        const RECT r = BoundsInParent(l);
        EXPECT_EQ(r.left, row.left);
        EXPECT_EQ(r.top, row.top);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, 13);
        // Key names are drawn in pure blue, the actions in the text colour.
        int bluePixels = 0;
        WaitFor([&] {
            bluePixels = CountColour(PixelsOf(l), blue);
            return bluePixels > 10;
        }, row.key ? 3s : 200ms, 50ms);
        if (row.key)
            EXPECT_GT(bluePixels, 10);
        else
            EXPECT_EQ(bluePixels, 0);
    }
    ExpectCaptionsFit(labels, 96, LegendFont);
    const std::optional<Pixels> shot = SettledWindowPixels(keys);
    ASSERT_TRUE(shot.has_value()) << "the window never showed";
    EXPECT_TRUE(SavePng(ArtifactDir() + "\\keys_window.png", *shot));
    CloseKeysWindow(keys);
}

TEST(KeysWindow, ModalCentredFirstThenWhereItWasLeft)
{
    Resident program;
    ShowMainWindow(program.main);
    HWND keys = OpenKeysWindow(program);
    ASSERT_NE(keys, nullptr);
    EXPECT_FALSE(IsWindowEnabled(program.main)) << "the main window stays usable";
    RECT r{};
    GetWindowRect(keys, &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // The user moves it, then closes it with the title bar's button.
    SetWindowPos(keys, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CloseKeysWindow(keys);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(program.main) != 0; }));
    EXPECT_TRUE(IsWindow(keys)) << "closing destroyed the window";
    EXPECT_TRUE(program.process.Running());

    HWND again = OpenKeysWindow(program);
    EXPECT_EQ(again, keys);
    GetWindowRect(keys, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 60);
    EXPECT_FALSE(IsWindowEnabled(program.main));
    CloseKeysWindow(keys);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(program.main) != 0; }));
    // Exit still ends the program cleanly after the window was used.
    EXPECT_TRUE(program.Exit());
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
}

// Exit can come while the Keys window is up: the main window is disabled
// then, but the tray menu stays usable. The program still ends cleanly, with
// the window freed after its loop.
TEST(KeysWindow, ExitWhileItIsOpenEndsTheProgramCleanly)
{
    Resident program;
    ShowMainWindow(program.main);
    HWND keys = OpenKeysWindow(program);
    ASSERT_NE(keys, nullptr);
    std::optional<POINT> icon;
    ASSERT_TRUE(WaitFor([&] { return (icon = tray::IconOnScreen()).has_value(); }, 5s));
    RightClick(icon->x + 8, icon->y + 8);
    ASSERT_NE(WaitForWindow(program.process.Pid(), "#32768", nullptr, 5s, true), nullptr);
    PressKey(VK_UP);  // with nothing selected yet, Up selects the last item: Exit
    PressKey(VK_RETURN);
    EXPECT_EQ(program.process.Wait(10s), std::optional<DWORD>(0));
    EXPECT_FALSE(MutexHeld());
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace
