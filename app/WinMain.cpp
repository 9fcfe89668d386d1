// Entry point. Until the main window exists this only keeps a single resident
// instance with a hidden window and a message loop.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "SnaplarkMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex)
            CloseHandle(mutex);
        return 0;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "TApplication";
    RegisterClassA(&wc);
    HWND app = CreateWindowA("TApplication", "Snaplark", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(app);
    if (mutex)
        CloseHandle(mutex);
    return 0;
}
