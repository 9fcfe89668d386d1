// The global low-level keyboard and mouse hooks, on a thread of their own.
// The hook procedures only test, post to the main window and return; all the
// work an event causes happens later on the main thread.
#pragma once

#include <windows.h>

#include <memory>

#include "capture/ClickBlocking.h"
#include "ui/Thread.h"

namespace snaplark {

// Private messages between the hook thread and the main window.
constexpr UINT WM_PRTSCR_PRESSED = 2651;  // to the main window; wParam: 1 Shift, 2 Alt, 4 Ctrl
constexpr UINT WM_HOOK_MOUSE = 2652;      // to the main window; wParam: the mouse message
constexpr UINT WM_BLOCK_CLICKS = 2653;    // to the hook thread; wParam: 1 swallow left clicks
constexpr UINT WM_RENEW_HOOKS = 2654;     // to the hook thread: install both hooks afresh

// Runs above every other thread of the program: the system skips, and in
// the end silently removes, a low-level hook that does not answer in time.
class HookThread : public ui::Thread, public ClickBlocking {
public:
    // mainWindow receives every post; it must outlive the thread.
    explicit HookThread(HWND mainWindow);

    void BlockClicks(bool on) override;

protected:
    void Execute() override;
};

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// Posts a thread message to the hook thread, retrying every 100 ms until it
// is taken (the thread has no queue just after it starts). Gives up only when
// the thread has ended, so a sender can never spin forever.
bool PostToHookThread(const HookThread& thread, UINT message, WPARAM wParam);

}  // namespace snaplark

namespace snaplark {

// Ends the hook thread at shutdown: WM_QUIT (retried until taken), wait for
// the body to remove its hooks and return, then free the object.
void StopHookThread(std::unique_ptr<HookThread>& thread);
void StopHookThread(HookThread*& thread);

}  // namespace snaplark
