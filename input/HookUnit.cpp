#include "input/HookUnit.h"

#include "ui/Handles.h"

#include <atomic>
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
// Written by the hook thread, read by the main thread's watchdog.
std::atomic<DWORD> g_lastCall{0};
HookInstaller g_installer = SetWindowsHookExA;

constexpr DWORD kVkSnapshot = 44;

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

void Noted() { g_lastCall.store(GetTickCount(), std::memory_order_relaxed); }

// Installs both hooks afresh, each new one before the old one goes, so no
// event slips through in between (the system may have dropped the old ones
// already). A kind whose new hook cannot be made keeps the one it had.
// Returns the system's code of the first failure, or 0.
DWORD InstallHooks()
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    DWORD failure = 0;
    const auto renew = [&](HHOOK& hook, int kind, HOOKPROC procedure) {
        SetLastError(0);
        if (HHOOK fresh = g_installer(kind, procedure, module, 0)) {
            if (hook)
                UnhookWindowsHookEx(hook);
            hook = fresh;
        } else if (!failure) {
            failure = GetLastError() ? GetLastError() : ERROR_INVALID_FUNCTION;
        }
    };
    renew(KeyboardHook, WH_KEYBOARD_LL, KeyboardHookProc);
    renew(MouseHook, WH_MOUSE_LL, MouseHookProc);
    Noted();
    return failure;
}

void RemoveHooks()
{
    if (KeyboardHook)
        UnhookWindowsHookEx(std::exchange(KeyboardHook, nullptr));
    if (MouseHook)
        UnhookWindowsHookEx(std::exchange(MouseHook, nullptr));
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
    // Without its hooks the program sees no Print Screen: the user is told.
    // Later renewals that fail keep the hooks there are, silently.
    if (const DWORD failure = InstallHooks())
        PostMessageA(g_mainWindow, WM_HOOKS_FAILED, failure, 0);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_BLOCK_CLICKS)
            SwallowClicks = msg.wParam != 0;
        if (msg.message == WM_RENEW_HOOKS)
            InstallHooks();
        if (msg.message == WM_DROP_HOOKS) {
            RemoveHooks();
            SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RemoveHooks();
}

// Every event that is not swallowed goes on to the next hook: key remappers
// and scripting tools hooked before this program see Print Screen too.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    Noted();
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && event && event->vkCode == kVkSnapshot && !(event->flags & LLKHF_UP)) {
        const WPARAM mask = (KeyDown(VK_SHIFT) ? 1 : 0) + (KeyDown(VK_MENU) ? 2 : 0) +
                            (KeyDown(VK_CONTROL) ? 4 : 0);
        PostMessageA(g_mainWindow, WM_PRTSCR_PRESSED, mask, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    Noted();
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

void HookThread::DropHooks()
{
    const ui::UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (done && PostToHookThread(*this, WM_DROP_HOOKS, reinterpret_cast<WPARAM>(done.Get())))
        WaitForSingleObject(done.Get(), INFINITE);
}

DWORD LastHookCall() { return g_lastCall.load(std::memory_order_relaxed); }

HookInstaller SetHookInstaller(HookInstaller installer)
{
    return std::exchange(g_installer, installer ? installer : SetWindowsHookExA);
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
