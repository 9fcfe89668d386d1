#include "capture/FileSink.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "capture/CaptureError.h"
#include "capture/CaptureFileName.h"
#include "ui/SystemError.h"

namespace snaplark {

std::string AbsolutePath(const std::string& name)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameA(name.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
        if (length == 0)
            return name;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);  // too small: length is the size needed, with the terminator
    }
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

// Renames the open file; false with the system's error code set.
bool GiveName(HANDLE file, const std::string& name, bool replace)
{
    const int chars = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);  // with the NUL
    if (chars == 0)
        return false;
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + chars * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>((chars - 1) * sizeof(WCHAR));
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, info->FileName, chars);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

}  // namespace

FileWrite SetFileWrite(FileWrite write) { return std::exchange(g_write, write ? write : WriteFile); }

FileSink::FileSink(const std::string& requested)
    : name_(requested), captureName_(!NextCaptureFileName(requested).empty())
{
    for (int tried = 1;; ++tried) {
        // DELETE access: the file is renamed and, on failure, removed through
        // this handle, so it is never open to anybody else meanwhile.
        file_.Reset(CreateFileA((name_ + kTemporarySuffix).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                nullptr, captureName_ ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        if (file_) {
            temporary_ = name_ + kTemporarySuffix;
            return;
        }
        const DWORD code = GetLastError();
        if (captureName_ && NameTaken(code) && tried < kMaxNamesTried) {
            name_ = NextCaptureFileName(name_);
            continue;
        }
        RaiseFileError("Cannot create file", name_, code);
    }
}

FileSink::~FileSink()
{
    if (!file_)
        return;
    FILE_DISPOSITION_INFO remove{TRUE};
    if (!SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &remove, sizeof remove)) {
        file_.Reset();
        DeleteFileA(temporary_.c_str());
    }
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
    for (int tried = 1;; ++tried) {
        if (GiveName(file_.Get(), name_, !captureName_)) {
            file_.Reset();
            return;
        }
        const DWORD code = GetLastError();
        if (captureName_ && NameTaken(code) && tried < kMaxNamesTried) {
            name_ = NextCaptureFileName(name_);
            continue;
        }
        RaiseFileError("Cannot create file", name_, code);
    }
}

}  // namespace snaplark
