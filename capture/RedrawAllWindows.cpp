#include "capture/RedrawAllWindows.h"

#include <windows.h>

#include "ui/ApplicationWindow.h"

namespace snaplark {

namespace {

// Returns false once WM_QUIT has been seen; it goes back into the queue so
// the message loop still ends the program.
bool PumpWaitingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

HWND FirstTopLevelWindow()
{
    if (HWND app = ApplicationWindow())
        return GetWindow(app, GW_HWNDFIRST);
    // Before the application window exists (tests): the desktop's first child.
    return GetTopWindow(nullptr);
}

}  // namespace

void RedrawAllWindows()
{
    bool pumping = true;
    for (HWND w = FirstTopLevelWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        RedrawWindow(w, nullptr, nullptr, kRedrawFlags);
        if (pumping)
            pumping = PumpWaitingMessages();
    }
}

}  // namespace snaplark
