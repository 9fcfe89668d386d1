#include "capture/FileSink.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "capture/CaptureError.h"
#include "capture/CaptureFileName.h"
#include "ui/SystemError.h"
#include "ui/WideText.h"

namespace snaplark {

namespace {

// The name made absolute and normalised by the system; empty when it cannot.
std::wstring FullPath(const std::wstring& name)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(name.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);  // too small: length is the size needed, with the terminator
    }
}

bool StartsWith(const std::wstring& text, const wchar_t* head) { return text.rfind(head, 0) == 0; }

// The name as the file functions take it. Within the usual limit as it is;
// past it (a folder the user keeps deep down) in the long-path form, which
// every NT version takes up to 32767 characters: "\\?\" before the
// absolute path, normalised first, since the system then takes it as it is.
std::wstring SystemPath(const std::string& name)
{
    std::wstring path = ui::ToUtf16(name);
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\"))
        return path;
    const std::wstring full = FullPath(path);
    if (full.size() < MAX_PATH)
        return path;
    if (StartsWith(full, L"\\\\"))  // \\server\share\...
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

std::string AbsolutePath(const std::string& name)
{
    const std::wstring full = FullPath(ui::ToUtf16(name));
    return full.empty() ? name : ui::ToUtf8(full);
}

namespace {

// A second's worth of taken names is no longer a collision of clocks.
constexpr int kMaxNamesTried = 1000;

constexpr char kTemporarySuffix[] = ".tmp";

FileWrite g_write = WriteFile;

[[noreturn]] void RaiseFileError(const char* what, const std::string& name, DWORD code)
{
    const std::string reason = ui::SystemErrorText(code);
    std::string text = std::string(what) + " \"" + AbsolutePath(name) + "\".";
    if (!reason.empty())
        text += " " + reason;
    throw Error(text);
}

bool NameTaken(DWORD code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

// Windows Vista and later rename and remove a file through its handle, so it
// is never open to anybody else meanwhile; the program still starts on older
// systems, which do both by name once the file is closed.
using SetInfoFunction = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
SetInfoFunction SetInfo()
{
    static const auto set = reinterpret_cast<SetInfoFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    return set;
}

// Renames the open file; false with the system's error code set.
bool GiveName(HANDLE file, const std::string& name, bool replace)
{
    const std::wstring path = SystemPath(name);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) +
                                      (path.size() + 1) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(path.size() * sizeof(WCHAR));
    std::copy(path.c_str(), path.c_str() + path.size() + 1, info->FileName);
    return SetInfo()(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

// Tries `attempt` with the name, and for a capture's name that is taken with
// the next millisecond's names; any other failure raises.
template <class Attempt>
void UnderAFreeName(std::string& name, bool captureName, const Attempt& attempt)
{
    for (int tried = 1;; ++tried) {
        if (attempt(name))
            return;
        const DWORD code = GetLastError();
        if (!captureName || !NameTaken(code) || tried == kMaxNamesTried)
            RaiseFileError("Cannot create file", name, code);
        name = NextCaptureFileName(name);
    }
}

}  // namespace

FileWrite SetFileWrite(FileWrite write) { return std::exchange(g_write, write ? write : WriteFile); }

FileSink::FileSink(const std::string& requested)
    : name_(requested), captureName_(!NextCaptureFileName(requested).empty())
{
    UnderAFreeName(name_, captureName_, [this](const std::string& name) {
        // DELETE access: the file is renamed and, on failure, removed through
        // this handle, so it is never open to anybody else meanwhile.
        file_.Reset(CreateFileW(SystemPath(name + kTemporarySuffix).c_str(),
                                GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                nullptr, captureName_ ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        return static_cast<bool>(file_);
    });
    temporary_ = name_ + kTemporarySuffix;
}

FileSink::~FileSink()
{
    if (committed_)
        return;
    FILE_DISPOSITION_INFO remove{TRUE};
    if (file_ && SetInfo() && SetInfo()(file_.Get(), FileDispositionInfo, &remove, sizeof remove))
        return;
    file_.Reset();
    DeleteFileW(SystemPath(temporary_).c_str());
}

void FileSink::Write(const void* data, std::size_t size)
{
    // WriteFile takes 32-bit counts; larger blocks go in pieces.
    constexpr std::size_t kMaxPiece = 0x40000000;
    const auto* p = static_cast<const char*>(data);
    while (size != 0) {
        const DWORD piece = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
        DWORD written = 0;
        if (!g_write(file_.Get(), p, piece, &written, nullptr))
            RaiseFileError("Cannot write file", name_, GetLastError());
        // Nothing stored and no error told: a disk that has no room left.
        if (written == 0)
            RaiseFileError("Cannot write file", name_, ERROR_DISK_FULL);
        p += written;
        size -= written;
    }
}

void FileSink::Commit()
{
    if (!SetInfo())
        file_.Reset();
    UnderAFreeName(name_, captureName_, [this](const std::string& name) {
        if (file_)
            return GiveName(file_.Get(), name, !captureName_);
        return MoveFileExW(SystemPath(temporary_).c_str(), SystemPath(name).c_str(),
                           captureName_ ? 0 : MOVEFILE_REPLACE_EXISTING) != FALSE;
    });
    file_.Reset();
    committed_ = true;
}

}  // namespace snaplark
