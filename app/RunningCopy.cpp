#include "app/RunningCopy.h"

namespace snaplark {

namespace {

constexpr char kMainWindowClass[] = "TMainForm";
constexpr char kMainWindowTitle[] = "Snaplark";
// The running copy may have taken the mutex before it made its main window.
constexpr int kLookups = 20;
constexpr DWORD kLookupPauseMs = 100;

// A main window of this program that belongs to another process: this copy
// has made one of its own by now.
HWND OtherCopysMainWindow()
{
    for (HWND w = FindWindowExA(nullptr, nullptr, kMainWindowClass, kMainWindowTitle); w;
         w = FindWindowExA(nullptr, w, kMainWindowClass, kMainWindowTitle)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId())
            return w;
    }
    return nullptr;
}

}  // namespace

UINT ShowMainWindowMessage()
{
    static const UINT message = RegisterWindowMessageA("SnaplarkShowMainWindow");
    return message;
}

void ShowRunningCopy()
{
    HWND running = OtherCopysMainWindow();
    for (int i = 1; !running && i < kLookups; ++i) {
        Sleep(kLookupPauseMs);
        running = OtherCopysMainWindow();
    }
    if (!running)
        return;
    // The user started this copy, so it may hand the foreground on.
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    AllowSetForegroundWindow(pid);
    PostMessageA(running, ShowMainWindowMessage(), 0, 0);
}

}  // namespace snaplark
