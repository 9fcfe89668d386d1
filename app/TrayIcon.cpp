#include "app/TrayIcon.h"

#include <commctrl.h>

#include <map>
#include <stdexcept>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/MessageFilter.h"
#include "ui/PopupMenu.h"
#include "ui/WindowClass.h"

namespace snaplark {

namespace {

constexpr UINT_PTR kWatchId = 1;

// The shell's record layout of version 2 (Windows 2000): later fields are
// left out, so older shells accept it too.
constexpr DWORD kRecordSize = NOTIFYICONDATAA_V2_SIZE;

HWND g_trayWindow = nullptr;
UINT g_nextId = kFirstTrayIconId;
// Live icons by their id, so a notification finds its icon.
std::map<UINT, TrayIcon*>& Icons()
{
    static std::map<UINT, TrayIcon*> icons;
    return icons;
}

// Sent by the shell to every top-level window once its taskbar exists again.
UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// Every call to the shell goes through here; tests put a shell of their own in.
TrayIcon::ShellCall g_shell = Shell_NotifyIconA;

// How often an icon the shell refused is offered again: at logon the shell
// may still be starting, and no "TaskbarCreated" follows if its taskbar was
// there already.
constexpr UINT kRetryMs = 1500;

// The icon at the small icon size (125 % scaling asks for 20 pixels, 150 %
// for 24, 200 % for 32): its own image of that size, or the nearest one
// scaled down well. LoadIconMetric is in the common controls 6 of Vista and
// later; before them the system scales. Never LR_SHARED, which is not meant
// for icons of other than the standard sizes.
HICON LoadSmallIcon(int resource)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    static const auto loadIconMetric = reinterpret_cast<decltype(&LoadIconMetric)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("comctl32.dll"), "LoadIconMetric")));
    HICON icon = nullptr;
    if (loadIconMetric && SUCCEEDED(loadIconMetric(instance, MAKEINTRESOURCEW(resource), LIM_SMALL, &icon)))
        return icon;
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resource), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

}  // namespace

TrayIcon::TrayIcon(ui::Form& mainForm, int iconResource, ui::PopupMenu* menu)
    : mainForm_(mainForm), menu_(menu), taskbarWindow_(ui::App().Handle()),
      icon_(LoadSmallIcon(iconResource))
{
    if (!g_trayWindow) {
        ui::RegisterFrameworkClass(kTrayWindowClass, TrayWindowProc);
        g_trayWindow = CreateWindowExA(0, kTrayWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!g_trayWindow)
            throw std::runtime_error("Cannot create the tray window");
    }
    record_.cbSize = kRecordSize;
    record_.hWnd = g_trayWindow;
    record_.uID = g_nextId++;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = TrayCallbackMessage;
    record_.hIcon = icon_.Get();
    record_.uVersion = 0;  // plain mouse messages in lParam
    Icons()[record_.uID] = this;

    // An icon of this identity left behind by an earlier run is not ours to
    // keep showing.
    Send(NIM_DELETE);
    Send(NIM_SETVERSION);
    // An elevated copy gets "TaskbarCreated" from the shell, which is not
    // elevated, only when it lets the message in.
    if (taskbarWindow_)
        ui::LetMessageIn(taskbarWindow_, TaskbarCreatedMessage());
    retry_.SetInterval(kRetryMs);
    retry_.OnTimer = [this] { OfferAgain(); };

    SetWindowSubclass(mainForm_.Handle(), WatchMainForm, kWatchId, reinterpret_cast<DWORD_PTR>(this));
    if (taskbarWindow_)
        SetWindowSubclass(taskbarWindow_, WatchTaskbarWindow, kWatchId,
                          reinterpret_cast<DWORD_PTR>(this));
}

TrayIcon::~TrayIcon()
{
    destroying_ = true;
    Send(NIM_DELETE);
    visible_ = false;
    if (IsWindow(mainForm_.Handle()))
        RemoveWindowSubclass(mainForm_.Handle(), WatchMainForm, kWatchId);
    if (taskbarWindow_ && IsWindow(taskbarWindow_))
        RemoveWindowSubclass(taskbarWindow_, WatchTaskbarWindow, kWatchId);
    Icons().erase(record_.uID);
    if (Icons().empty() && g_trayWindow) {
        DestroyWindow(g_trayWindow);
        g_trayWindow = nullptr;
    }
}

HWND TrayIcon::TrayWindow() { return g_trayWindow; }

bool TrayIcon::Send(DWORD operation)
{
    return g_shell(operation, &record_) != FALSE;
}

void TrayIcon::Add()
{
    // Until the shell takes it, the icon is offered again: without it the
    // program could be neither opened nor ended.
    retry_.SetEnabled(!Send(NIM_ADD));
}

void TrayIcon::OfferAgain()
{
    // An add that timed out may have shown the icon all the same: then the
    // shell takes a change to it.
    if (!visible_ || Send(NIM_MODIFY) || Send(NIM_ADD))
        retry_.SetEnabled(false);
}

void TrayIcon::SetIconVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (visible) {
        Add();
    } else {
        retry_.SetEnabled(false);
        Send(NIM_DELETE);
    }
}

TrayIcon::ShellCall TrayIcon::SetShellCall(ShellCall call)
{
    const ShellCall previous = g_shell;
    g_shell = call ? call : Shell_NotifyIconA;
    return previous;
}

void TrayIcon::Notify(UINT mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        clickStarted_ = true;
        break;
    case WM_LBUTTONUP:
        // The shell reports the second press of a double click as
        // WM_LBUTTONDBLCLK, so a double click is one click, on its first
        // release.
        if (clickStarted_) {
            clickStarted_ = false;
            if (OnClick)
                OnClick();
        }
        break;
    case WM_RBUTTONDOWN:
        PopupAtCursor();
        break;
    default:
        // A double click would run the menu's default item; it has none.
        break;
    }
}

void TrayIcon::PopupAtCursor()
{
    if (!menu_)
        return;
    POINT p{};
    if (!GetCursorPos(&p))
        return;
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(taskbarWindow_);
    ui::App().ProcessMessages();
    menu_->Popup(taskbarWindow_, p.x, p.y);
    // Lets the system finish the menu's foreground switch (a known shell
    // quirk: otherwise the next tray menu may close at once).
    PostMessageA(mainForm_.Handle(), WM_NULL, 0, 0);
}

void TrayIcon::MinimizeToTray()
{
    if (OnMinimizeToTray)
        OnMinimizeToTray();
    ShowWindow(mainForm_.Handle(), SW_HIDE);
    if (taskbarWindow_ && IsWindowVisible(taskbarWindow_))
        ShowWindow(taskbarWindow_, SW_HIDE);
}

bool TrayIcon::MainFormMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_SYSCOMMAND && wParam == SC_MINIMIZE) {
        MinimizeToTray();
        result = 1;
        return true;
    }
    if (message == WM_SHOWWINDOW) {
        if (!wParam && lParam == SW_PARENTCLOSING && !destroying_ && !ui::App().Terminated()) {
            MinimizeToTray();
            result = 1;
            return true;
        }
        if (wParam && lParam == 0) {
            SetForegroundWindow(taskbarWindow_);
            SetForegroundWindow(mainForm_.Handle());
        }
    }
    return false;
}

void TrayIcon::TaskbarWindowMessage(UINT message, WPARAM wParam)
{
    if (message == TaskbarCreatedMessage() && visible_) {
        Add();
    } else if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
        ShowWindow(mainForm_.Handle(), SW_HIDE);
        if (IsWindowVisible(taskbarWindow_))
            ShowWindow(taskbarWindow_, SW_HIDE);
    } else if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE) {
        ShowWindow(mainForm_.Handle(), SW_SHOW);
    }
}

LRESULT CALLBACK TrayIcon::TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case TrayCallbackMessage:
        return ui::Guarded([&]() -> LRESULT {
            if (auto it = Icons().find(static_cast<UINT>(wParam)); it != Icons().end())
                it->second->Notify(static_cast<UINT>(lParam));
            return 0;
        });
    // The window lives as long as the icons do: nobody closes it, and it
    // never holds up log-off or shutdown.
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_ENDSESSION:
    case WM_NCDESTROY:
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TrayIcon::WatchMainForm(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR self)
{
    LRESULT result = 0;
    bool handled = false;
    ui::Guarded([&]() -> LRESULT {
        handled = reinterpret_cast<TrayIcon*>(self)->MainFormMessage(message, wParam, lParam, result);
        return 0;
    });
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TrayIcon::WatchTaskbarWindow(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    ui::Guarded([&]() -> LRESULT {
        reinterpret_cast<TrayIcon*>(self)->TaskbarWindowMessage(message, wParam);
        return 0;
    });
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace snaplark
