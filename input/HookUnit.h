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
constexpr UINT WM_DROP_HOOKS = 2656;      // to the hook thread: remove both hooks; wParam: an event to set
constexpr UINT WM_HOOKS_FAILED = 2657;    // to the main window; wParam: the system's error code

// Runs above every other thread of the program: the system skips, and in
// the end silently removes, a low-level hook that does not answer in time.
class HookThread : public ui::Thread, public ClickBlocking {
public:
    // mainWindow receives every post; it must outlive the thread.
    explicit HookThread(HWND mainWindow);

    void BlockClicks(bool on) override;
    // Tests: removes both hooks, as Windows does to hooks that kept it
    // waiting, and returns once they are gone.
    void DropHooks();

protected:
    void Execute() override;
};

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

// When a hook procedure was last called, or the hooks last installed
// (GetTickCount): written by the hook thread only.
DWORD LastHookCall();

// What installs a hook: SetWindowsHookExA by default. Tests put one in that
// fails; returns the previous one, and null restores SetWindowsHookExA.
using HookInstaller = HHOOK(WINAPI*)(int kind, HOOKPROC procedure, HINSTANCE module, DWORD thread);
HookInstaller SetHookInstaller(HookInstaller installer);

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
