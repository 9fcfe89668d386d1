// Test-only DLL standing in for one that a stranger left beside the program:
// copied under the name of a system DLL, it exports what the program would
// ask of that DLL, and on being loaded writes "<its own path>.loaded".
#include <windows.h>

extern "C" {

// Every export does nothing and reports failure.
INT_PTR WINAPI ReturnZero() { return 0; }
HRESULT WINAPI ReturnFailure() { return E_FAIL; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8] = {};
        const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatA(path, ".loaded");
            CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    return TRUE;
}

}  // extern "C"
