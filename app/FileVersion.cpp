#include "app/FileVersion.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "ui/SystemLibrary.h"
#include "ui/WideText.h"

namespace snaplark {

namespace {

// The version functions of version.dll, all or none.
struct VersionFunctions {
    using SizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

    SizeFunction size = ui::SystemFunction<SizeFunction>(L"version.dll", "GetFileVersionInfoSizeW");
    InfoFunction info = ui::SystemFunction<InfoFunction>(L"version.dll", "GetFileVersionInfoW");
    QueryFunction query = ui::SystemFunction<QueryFunction>(L"version.dll", "VerQueryValueW");

    explicit operator bool() const { return size && info && query; }
};

}  // namespace

std::string ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        // A path that filled the buffer may have been cut short.
        if (length < path.size()) {
            path.resize(length);
            return ui::ToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string ReadFileVersion()
{
    return ReadFileVersionOf(ExecutablePath());
}

std::string ReadFileVersionOf(const std::string& path)
{
    static const VersionFunctions functions;
    if (!functions)
        return {};
    const std::wstring file = ui::ToUtf16(path);
    DWORD handle = 0;
    const DWORD size = functions.size(file.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<char> block(size, '\0');
    if (!functions.info(file.c_str(), 0, size, block.data()))
        return {};

    const WORD* translation = nullptr;
    UINT length = 0;
    if (!functions.query(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &length) ||
        !translation || length < 2 * sizeof(WORD))
        return {};  // no translation table: no way to find the string

    char name[64];
    std::snprintf(name, sizeof name, "\\StringFileInfo\\%04X%04X\\FileVersion", translation[0],
                  translation[1]);
    const wchar_t* version = nullptr;
    if (!functions.query(block.data(), ui::ToUtf16(name).c_str(),
                         reinterpret_cast<void**>(const_cast<wchar_t**>(&version)), &length) ||
        !version)
        return {};
    // Up to the terminating zero, and never past the value's own length.
    size_t n = 0;
    while (n < length && version[n] != L'\0')
        ++n;
    return ui::ToUtf8(std::wstring_view(version, n));
}

}  // namespace snaplark
