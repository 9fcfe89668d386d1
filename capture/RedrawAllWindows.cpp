#include "capture/RedrawAllWindows.h"

#include <windows.h>

#include <map>

#include "capture/Compositor.h"
#include "ui/ApplicationWindow.h"

namespace snaplark {

namespace {

// How long another program's window may take to answer before it is left as
// it is: a repaint of a window whose thread has stopped would otherwise hold
// the capture for as long as that program hangs.
constexpr UINT kAnswerTimeoutMs = 100;

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
    if (HWND app = ui::ApplicationWindow())
        return GetWindow(app, GW_HWNDFIRST);
    // Before the application window exists (tests): the desktop's first child.
    return GetTopWindow(nullptr);
}

DWORD ThreadOf(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

// Whether the thread of another program's window is taking messages: it
// answers a message that does nothing within a moment. Messages sent to this
// thread meanwhile are still handled, so two programs doing this to each
// other cannot lock up.
bool Answers(HWND window)
{
    if (IsHungAppWindow(window))
        return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               kAnswerTimeoutMs, &result) != 0;
}

// The repaints of other programs reach the screen after they have painted:
// the compositor shows them at its next frame, and Wine pushes a window's
// picture out when its thread next looks for messages. One message answered
// by each of those threads, then the compositor's next frame, so the screen
// shows what they painted before anything is read from it. Takes one window
// of each such thread.
void WaitUntilShown(const std::map<DWORD, HWND>& threads)
{
    for (const auto& entry : threads)
        Answers(entry.second);
    WaitForNextFrame();
}

}  // namespace

void RedrawAllWindows()
{
    bool pumping = true;
    std::map<DWORD, HWND> otherThreads;
    const DWORD self = GetCurrentThreadId();
    for (HWND w = FirstTopLevelWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        // A hidden window paints nothing, so only visible ones of other
        // threads can make the repaint wait.
        if (ThreadOf(w) != self && IsWindowVisible(w)) {
            if (!Answers(w))
                continue;
            otherThreads.emplace(ThreadOf(w), w);
        }
        RedrawWindow(w, nullptr, nullptr, kRedrawFlags);
        if (pumping)
            pumping = PumpWaitingMessages();
    }
    // The desktop's own picture shows wherever a window has just gone (the
    // selection's overlay, this program's main window): it is painted anew
    // too, around the windows over it.
    const HWND desktop = GetDesktopWindow();
    if (ThreadOf(desktop) == self || Answers(desktop)) {
        RedrawWindow(desktop, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (ThreadOf(desktop) != self)
            otherThreads.emplace(ThreadOf(desktop), desktop);
    }
    WaitUntilShown(otherThreads);
}

}  // namespace snaplark
