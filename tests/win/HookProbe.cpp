// Test-only program: installs low-level keyboard and mouse hooks on a thread
// of their own, as Snaplark does, and appends what they see to a log file:
//   READY          once both hooks are installed
//   P <mask>       Print Screen down; mask 1 Shift, 2 Alt, 4 Ctrl (GetKeyState)
//   K <vk>         any other key down
//   M <message>    every mouse event, by its message number (hexadecimal)
// Usage: hook_probe LOGFILE QUITEVENT
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

void Log(const char* text)
{
    DWORD written = 0;
    WriteFile(g_log, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

bool Down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (!(k->flags & LLKHF_UP)) {
            char line[32];
            if (k->vkCode == VK_SNAPSHOT)
                std::snprintf(line, sizeof line, "P %d\n",
                              (Down(VK_SHIFT) ? 1 : 0) + (Down(VK_MENU) ? 2 : 0) + (Down(VK_CONTROL) ? 4 : 0));
            else
                std::snprintf(line, sizeof line, "K %lx\n", static_cast<unsigned long>(k->vkCode));
            Log(line);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        char line[32];
        std::snprintf(line, sizeof line, "M %lx\n", static_cast<unsigned long>(wParam));
        Log(line);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI HookThread(LPVOID)
{
    HHOOK keyboard = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardProc, GetModuleHandleA(nullptr), 0);
    HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, MouseProc, GetModuleHandleA(nullptr), 0);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make the queue before saying so
    Log(keyboard && mouse ? "READY\n" : "FAILED\n");
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnhookWindowsHookEx(keyboard);
    UnhookWindowsHookEx(mouse);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    g_log = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (g_log == INVALID_HANDLE_VALUE || !quit)
        return 3;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, HookThread, nullptr, 0, &id);
    WaitForSingleObject(quit, 120000);
    while (!PostThreadMessageA(id, WM_QUIT, 0, 0))
        Sleep(100);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(quit);
    CloseHandle(g_log);
    return 0;
}
