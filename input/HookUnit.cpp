#include "input/HookUnit.h"

#include <utility>

namespace snaplark {

namespace {

// Written before the thread starts and fixed for its whole life; the hook
// procedures only read them, on the hook thread.
HWND g_mainWindow = nullptr;
HHOOK KeyboardHook = nullptr;
HHOOK MouseHook = nullptr;
// Written by the hook thread's loop and read by MouseHookProc on the same
// thread, so it needs no lock.
bool SwallowClicks = false;

constexpr int kCodeSkip = 3;  // a keyboard code the hook answers 0 without passing on
constexpr DWORD kVkSnapshot = 44;

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

void InstallHooks()
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    KeyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, module, 0);
    MouseHook = SetWindowsHookExA(WH_MOUSE_LL, MouseHookProc, module, 0);
}

void RemoveHooks(HHOOK keyboard, HHOOK mouse)
{
    UnhookWindowsHookEx(keyboard);
    UnhookWindowsHookEx(mouse);
}

}  // namespace

HookThread::HookThread(HWND mainWindow) : ui::Thread(true)
{
    g_mainWindow = mainWindow;
    SwallowClicks = false;
    // Time-critical rather than highest: it stays on top also where the
    // process could not get its high priority class, and it only ever waits
    // or runs for a few comparisons, so it cannot hold up anyone else.
    SetThreadPriority(Handle(), THREAD_PRIORITY_TIME_CRITICAL);
}

void HookThread::Execute()
{
    InstallHooks();
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_BLOCK_CLICKS)
            SwallowClicks = msg.wParam != 0;
        if (msg.message == WM_RENEW_HOOKS) {
            // New ones first, so no event slips through in between; the
            // system may have dropped the old ones already.
            const HHOOK keyboard = KeyboardHook, mouse = MouseHook;
            InstallHooks();
            RemoveHooks(keyboard, mouse);
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RemoveHooks(KeyboardHook, MouseHook);
    KeyboardHook = nullptr;
    MouseHook = nullptr;
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == kCodeSkip)
        return 0;
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (event->vkCode != kVkSnapshot)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    if (code != HC_ACTION || (event->flags & LLKHF_UP))
        return 0;
    const WPARAM mask = (KeyDown(VK_SHIFT) ? 1 : 0) + (KeyDown(VK_MENU) ? 2 : 0) +
                        (KeyDown(VK_CONTROL) ? 4 : 0);
    PostMessageA(g_mainWindow, WM_PRTSCR_PRESSED, mask, 0);
    return 0;
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code < 0)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    // lParam points at a record that dies with this call: post nothing of it.
    PostMessageA(g_mainWindow, WM_HOOK_MOUSE, wParam, 0);
    if (SwallowClicks && (wParam == WM_LBUTTONDOWN || wParam == WM_LBUTTONUP ||
                          wParam == WM_NCLBUTTONDOWN || wParam == WM_NCLBUTTONUP))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void HookThread::BlockClicks(bool on)
{
    PostToHookThread(*this, WM_BLOCK_CLICKS, on ? 1 : 0);
}

bool PostToHookThread(const HookThread& thread, UINT message, WPARAM wParam)
{
    while (!PostThreadMessageA(thread.ThreadId(), message, wParam, 0)) {
        if (thread.Finished())
            return false;
        Sleep(100);
    }
    return true;
}

}  // namespace snaplark

namespace snaplark {

void StopHookThread(std::unique_ptr<HookThread>& thread)
{
    if (!thread)
        return;
    PostToHookThread(*thread, WM_QUIT, 0);
    thread->WaitFor();
    thread.reset();
}

void StopHookThread(HookThread*& thread)
{
    std::unique_ptr<HookThread> owned(std::exchange(thread, nullptr));
    StopHookThread(owned);
}

}  // namespace snaplark
