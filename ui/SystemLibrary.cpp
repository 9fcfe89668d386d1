#include "ui/SystemLibrary.h"

#include <string>

namespace snaplark::ui {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood exactly where this function
// exists: Windows 8 and later, Windows 7 and Vista with update KB2533623.
SetDefaultDllDirectoriesFunction SetDefaultDirectories()
{
    static const auto function = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                               "SetDefaultDllDirectories")));
    return function;
}

}  // namespace

void SearchSystemFolderOnly()
{
    if (const auto setDefault = SetDefaultDirectories())
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    if (SetDefaultDirectories())
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The full path; the altered search makes the DLL's own imports come
    // from its folder rather than the program's.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* SystemProcAddress(const wchar_t* library, const char* name)
{
    const HMODULE module = LoadSystemLibrary(library);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

}  // namespace snaplark::ui
