// Test-only DLL standing in for one a stranger left beside the program: copied
// under a system DLL's name, it exports what the program would ask of that
// DLL (every export fails), and on being loaded writes "<its path>.loaded".
#include <windows.h>

extern "C" INT_PTR WINAPI ReturnZero() { return 0; }
extern "C" HRESULT WINAPI ReturnFailure() { return E_FAIL; }

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    char path[MAX_PATH + 8] = {};
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (reason == DLL_PROCESS_ATTACH && n > 0 && n < MAX_PATH)
        CloseHandle(CreateFileA(lstrcatA(path, ".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
