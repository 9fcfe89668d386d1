// The tray icon in-process: its record with the shell, the hidden window
// that takes its notifications, the clicks it makes of them, the re-adding
// on "TaskbarCreated", and its watch over a form's minimising.
#include <gtest/gtest.h>

#include <string>

#include "app/TrayIcon.h"
#include "resources/ResourceIds.h"
#include "tests/driver/Driver.h"
#include "tests/win/TrayTestSupport.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Form.h"

using namespace snaplark;
using namespace std::chrono_literals;
using snaplark::ui::App;
using snaplark::ui::Form;

namespace {

class TrayIconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!App().Handle())
            App().Initialize();
        if (!mainForm_)
            mainForm_ = new Form("TTrayTestMain", "Main", 120, 60, Form::kSingleBorder | WS_MINIMIZEBOX);
    }

    void SetUp() override
    {
        App().Restore();
        ShowWindow(App().Handle(), SW_HIDE);
        mainForm_->Hide();
    }

    void Notify(const TrayIcon& tray, UINT mouseMessage)
    {
        SendMessageA(TrayIcon::TrayWindow(), TrayCallbackMessage, tray.Record().uID, mouseMessage);
    }

    static inline Form* mainForm_ = nullptr;
};

TEST_F(TrayIconTest, RecordIsTheVersionTwoLayoutWithMessageIconAndEmptyTip)
{
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    const NOTIFYICONDATAA& r = tray.Record();
    EXPECT_EQ(r.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(r.hWnd, TrayIcon::TrayWindow());
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(r.uCallbackMessage, 2048u);
    EXPECT_EQ(r.uVersion, 0u);
    EXPECT_EQ(std::string(r.szTip, sizeof r.szTip), std::string(128, '\0'));
    EXPECT_FALSE(tray.IconVisible());

    HWND window = TrayIcon::TrayWindow();
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, kTrayWindowClass);
    EXPECT_FALSE(IsWindowVisible(window));
    // Each icon has an id of its own.
    TrayIcon second(*mainForm_, IDI_SNAPLARK, nullptr);
    EXPECT_NE(second.Record().uID, r.uID);
    EXPECT_EQ(second.Record().hWnd, window);
}

// The shell is given the icon at the small icon size of the system's DPI,
// so it never stretches it: here, and in copies of this test started at 120,
// 144 and 192 DPI (125, 150, 200 %), aware of the DPI as Snaplark is.
TEST_F(TrayIconTest, IconIsAtTheSmallIconSizeOfTheSystemDpi)
{
    SetProcessDPIAware();
    const int size = GetSystemMetrics(SM_CXSMICON);
    EXPECT_EQ(size, MulDiv(16, ui::SystemDpi(), 96)) << "not aware of the DPI";
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(tray.Record().hIcon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(bitmap.bmWidth, size);
    if (std::string(GetCommandLineA()).find("--copy") != std::string::npos)
        return;
    for (DWORD dpi : {120, 144, 192}) {
        const driver::DesktopDpi desktop(dpi);
        const driver::Process copy = driver::Start(driver::ExeDir() + "\\tray_icon_test.exe",
            "--gtest_filter=TrayIconTest.IconIsAtTheSmallIconSizeOfTheSystemDpi --copy");
        EXPECT_EQ(copy.Wait(std::chrono::seconds(60)), std::optional<DWORD>(0)) << dpi << " DPI";
    }
}

TEST_F(TrayIconTest, ShellHoldsTheIconOnlyWhileItIsVisible)
{
    HWND window = nullptr;
    UINT id = 0;
    {
        TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
        window = tray.Record().hWnd;
        id = tray.Record().uID;
        EXPECT_FALSE(tray::ShellHasIcon(window, id));
        tray.SetIconVisible(true);
        EXPECT_TRUE(tray::ShellHasIcon(window, id));
        tray.SetIconVisible(false);
        EXPECT_FALSE(tray::ShellHasIcon(window, id));
        tray.SetIconVisible(true);
    }
    // Gone with its owner, and the tray window with the last icon.
    EXPECT_FALSE(tray::ShellHasIcon(window, id));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(TrayIconTest, TaskbarCreatedAddsTheIconAgainOnlyWhenItIsMeantToShow)
{
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    const HWND window = tray.Record().hWnd;
    const UINT id = tray.Record().uID;
    SendMessageA(App().Handle(), taskbarCreated, 0, 0);
    EXPECT_FALSE(tray::ShellHasIcon(window, id)) << "a hidden icon was added";

    tray.SetIconVisible(true);
    ASSERT_TRUE(tray::DeleteIcon(window, id));
    SendMessageA(App().Handle(), taskbarCreated, 0, 0);
    EXPECT_TRUE(tray::ShellHasIcon(window, id));
}

// A shell still starting at logon, which refuses the first offers.
int g_refusals = 0;
int g_offers = 0;
BOOL WINAPI StartingShell(DWORD operation, PNOTIFYICONDATAA record)
{
    if (operation == NIM_ADD || operation == NIM_MODIFY) {
        ++g_offers;
        if (g_refusals > 0 && g_refusals--)
            return FALSE;
    }
    return Shell_NotifyIconA(operation, record);
}

TEST_F(TrayIconTest, AnIconTheShellRefusesIsOfferedAgainUntilItShows)
{
    TrayIcon::SetShellCall(StartingShell);
    g_refusals = 3;
    {
        TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
        tray.SetIconVisible(true);
        EXPECT_TRUE(driver::WaitFor([&] {
            driver::Pump();
            return tray::ShellHasIcon(tray.Record().hWnd, tray.Record().uID);
        }, 10s)) << "the icon never came";
    }
    // Hidden while the shell still refuses: no more offers.
    g_refusals = 100;
    {
        TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
        tray.SetIconVisible(true);
        tray.SetIconVisible(false);
        g_offers = 0;
        driver::WatchFor(2s, driver::Pump);
        EXPECT_EQ(g_offers, 0);
    }
    TrayIcon::SetShellCall(nullptr);
}

TEST_F(TrayIconTest, TrayWindowAnswersOneToEndingMessagesAndStays)
{
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    HWND window = TrayIcon::TrayWindow();
    for (UINT message : {WM_DESTROY, WM_CLOSE, WM_QUERYENDSESSION, WM_QUIT, WM_ENDSESSION, WM_NCDESTROY}) {
        SCOPED_TRACE(message);
        EXPECT_EQ(SendMessageA(window, message, 0, 0), 1);
        EXPECT_TRUE(IsWindow(window));
    }
    // The rest is the system's default handling.
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("tray"));
    char text[16] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "tray");
}

TEST_F(TrayIconTest, ClickIsRaisedOnTheReleaseOfAPressOnTheIcon)
{
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    int clicks = 0;
    tray.OnClick = [&] { ++clicks; };

    Notify(tray, WM_LBUTTONDOWN);
    EXPECT_EQ(clicks, 0) << "raised on the press";
    Notify(tray, WM_LBUTTONUP);
    EXPECT_EQ(clicks, 1);

    // A release without a press on the icon (the press began elsewhere).
    Notify(tray, WM_LBUTTONUP);
    EXPECT_EQ(clicks, 1);

    // A double click as the shell reports it is one click.
    Notify(tray, WM_LBUTTONDOWN);
    Notify(tray, WM_LBUTTONUP);
    Notify(tray, WM_LBUTTONDBLCLK);
    Notify(tray, WM_LBUTTONUP);
    EXPECT_EQ(clicks, 2);

    // Moves, the right button's release and the middle button do nothing;
    // without a menu neither does the right button's press.
    for (UINT m : {WM_MOUSEMOVE, WM_RBUTTONUP, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_MBUTTONUP})
        Notify(tray, m);
    EXPECT_EQ(clicks, 2);

    // Another icon's notification is not this icon's click.
    Notify(tray, WM_LBUTTONDOWN);
    SendMessageA(TrayIcon::TrayWindow(), TrayCallbackMessage, tray.Record().uID + 100, WM_LBUTTONUP);
    EXPECT_EQ(clicks, 2);
}

TEST_F(TrayIconTest, MinimisingTheFormHidesItInsteadOfIconisingIt)
{
    TrayIcon tray(*mainForm_, IDI_SNAPLARK, nullptr);
    int toTray = 0;
    tray.OnMinimizeToTray = [&] { ++toTray; };
    HWND form = mainForm_->Handle();
    HWND app = App().Handle();

    // The title bar's minimise button.
    mainForm_->Show();
    ASSERT_TRUE(IsWindowVisible(app)) << "the taskbar button comes with the form";
    EXPECT_EQ(SendMessageA(form, WM_SYSCOMMAND, SC_MINIMIZE, 0), 1);
    EXPECT_EQ(toTray, 1);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_FALSE(IsIconic(form));
    EXPECT_FALSE(IsWindowVisible(app));

    // The owner closing over a shown form.
    mainForm_->Show();
    EXPECT_EQ(SendMessageA(form, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING), 1);
    EXPECT_EQ(toTray, 2);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_FALSE(IsWindowVisible(app));

    // A plain hide is just a hide.
    mainForm_->Show();
    mainForm_->Hide();
    EXPECT_EQ(toTray, 2);

    // The application minimised: the taskbar window is iconised and hidden
    // with the form.
    mainForm_->Show();
    App().Minimize();
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsWindowVisible(app));
    EXPECT_FALSE(IsWindowVisible(form));

    // Restored from the taskbar window, the form shows again.
    SendMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_FALSE(IsIconic(app));
    mainForm_->Hide();
}

}  // namespace
