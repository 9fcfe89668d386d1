// DLLs of Windows that are not among its known DLLs, taken from the system
// folder only. Windows looks for such a DLL in the program's own folder
// first (a Downloads folder, an unpacked zip), so a DLL of the same name
// left there would otherwise run inside the program, hooks and all.
#pragma once

#include <windows.h>

namespace snaplark::ui {

// From here on, DLLs loaded by bare name are searched for in the system
// folder only, also those that system DLLs load for the program. Called
// first thing: before it, the loader has only loaded the DLLs of the import
// table, which are known DLLs. Does nothing where the system has no such
// setting (Windows 7 without update KB2533623 and older).
void SearchSystemFolderOnly();

// The DLL of this file name from the system folder, together with the DLLs
// it imports; null when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a DLL of the system folder, which then stays loaded until
// the process ends (its code may still run on threads of its own, as an
// asynchronous sound does); null when the DLL or the function is missing.
void* SystemProcAddress(const wchar_t* library, const char* name);

template <typename F>
F SystemFunction(const wchar_t* library, const char* name)
{
    return reinterpret_cast<F>(SystemProcAddress(library, name));
}

}  // namespace snaplark::ui
