// The program's icon in the notification area: its record with the shell,
// the hidden window that receives its mouse messages, its menu, and its watch
// over the main window and the taskbar window, so that minimising puts the
// program into the tray instead of onto the taskbar.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>

#include "ui/Handles.h"
#include "ui/Timer.h"

namespace snaplark {

namespace ui {
class Form;
class PopupMenu;
}  // namespace ui

// The message the shell sends to the tray window, lParam the mouse message.
inline constexpr UINT TrayCallbackMessage = WM_USER + 0x400;
inline constexpr char kTrayWindowClass[] = "TTrayWindow";
// Icons are numbered in the order they are made; the program has one.
inline constexpr UINT kFirstTrayIconId = 1;

class TrayIcon {
public:
    // Loading: the icon is hidden, so any icon of this identity that the shell
    // still shows is deleted and the notification version is set. From here
    // on the main form's minimising and the taskbar window are watched. The
    // picture is the program's icon resource iconResource, at the small icon
    // size of the system's DPI, which the shell shows unstretched.
    TrayIcon(ui::Form& mainForm, int iconResource, ui::PopupMenu* menu);
    // Deletes the icon and stops watching; the tray window goes with the
    // last icon.
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows or hides the icon. An icon the shell refuses to show is offered
    // again every second or two until it takes it.
    void SetIconVisible(bool visible);
    bool IconVisible() const { return visible_; }

    // The call that reaches the shell: Shell_NotifyIconA by default. Tests
    // put in a shell of their own; returns the previous call, and null
    // restores Shell_NotifyIconA.
    using ShellCall = BOOL(WINAPI*)(DWORD operation, PNOTIFYICONDATAA record);
    static ShellCall SetShellCall(ShellCall call);

    const NOTIFYICONDATAA& Record() const { return record_; }
    static HWND TrayWindow();

    // A left click released on the icon.
    std::function<void()> OnClick;
    // The main form is being minimised to the tray.
    std::function<void()> OnMinimizeToTray;

    // One notification of the shell (the mouse message it reports).
    void Notify(UINT mouseMessage);
    // Opens the menu at the cursor as a right click on the icon does.
    void PopupAtCursor();

private:
    static LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WatchMainForm(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK WatchTaskbarWindow(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    bool MainFormMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void TaskbarWindowMessage(UINT message, WPARAM wParam);
    void MinimizeToTray();
    bool Send(DWORD operation);
    void Add();
    void OfferAgain();

    ui::Form& mainForm_;
    ui::PopupMenu* menu_;
    HWND taskbarWindow_ = nullptr;
    ui::UniqueIcon icon_;
    NOTIFYICONDATAA record_{};
    bool visible_ = false;
    bool clickStarted_ = false;
    bool destroying_ = false;
    ui::Timer retry_;
};

}  // namespace snaplark
