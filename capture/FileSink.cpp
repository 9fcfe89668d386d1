#include "capture/FileSink.h"

#include <windows.h>

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

HANDLE CreateForWriting(const std::string& name, DWORD disposition)
{
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FileSink::FileSink(const std::string& requested)
{
    std::string name = requested;
    const bool captureName = !NextCaptureFileName(name).empty();
    for (int tried = 1;; ++tried) {
        file_.Reset(CreateForWriting(name, captureName ? CREATE_NEW : CREATE_ALWAYS));
        if (file_)
            return;
        const DWORD code = GetLastError();
        if (captureName && code == ERROR_FILE_EXISTS && tried < kMaxNamesTried) {
            name = NextCaptureFileName(name);
            continue;
        }
        const std::string reason = ui::SystemErrorText(code);
        std::string text = "Cannot create file \"" + AbsolutePath(name) + "\".";
        if (!reason.empty())
            text += " " + reason;
        throw Error(text);
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
        if (!WriteFile(file_.Get(), p, piece, &written, nullptr) || written != piece)
            throw Error("Stream write error");
        p += piece;
        size -= piece;
    }
}

}  // namespace snaplark
