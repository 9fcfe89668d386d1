#include "app/FileVersion.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "ui/SystemLibrary.h"

namespace snaplark {

namespace {

// The version functions of version.dll, all or none.
struct VersionFunctions {
    using SizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

    SizeFunction size = ui::SystemFunction<SizeFunction>(L"version.dll", "GetFileVersionInfoSizeA");
    InfoFunction info = ui::SystemFunction<InfoFunction>(L"version.dll", "GetFileVersionInfoA");
    QueryFunction query = ui::SystemFunction<QueryFunction>(L"version.dll", "VerQueryValueA");

    explicit operator bool() const { return size && info && query; }
};

std::string ModulePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: try a larger buffer
    }
}

}  // namespace

std::string ReadFileVersion()
{
    return ReadFileVersionOf(ModulePath());
}

std::string ReadFileVersionOf(const std::string& path)
{
    static const VersionFunctions functions;
    if (!functions)
        return {};
    DWORD handle = 0;
    const DWORD size = functions.size(path.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<char> block(size, '\0');
    if (!functions.info(path.c_str(), 0, size, block.data()))
        return {};

    const WORD* translation = nullptr;
    UINT length = 0;
    if (!functions.query(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &length) ||
        !translation || length < 2 * sizeof(WORD))
        return {};  // no translation table: no way to find the string

    char name[64];
    std::snprintf(name, sizeof name, "\\StringFileInfo\\%04X%04X\\FileVersion", translation[0],
                  translation[1]);
    const char* version = nullptr;
    if (!functions.query(block.data(), name, reinterpret_cast<void**>(const_cast<char**>(&version)),
                        &length) ||
        !version)
        return {};
    // Up to the terminating zero, and never past the value's own length.
    size_t n = 0;
    while (n < length && version[n] != '\0')
        ++n;
    return std::string(version, n);
}

}  // namespace snaplark
