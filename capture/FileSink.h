// A capture file on disk as a ByteSink. The bytes go to a temporary file
// beside it, which takes the file's name only once it is complete: a viewer
// or a sync client watching the folder never sees half a picture, and a
// failed write leaves nothing behind.
#pragma once

#include <windows.h>

#include <string>

#include "capture/ByteSink.h"
#include "ui/Handles.h"

namespace snaplark {

class FileSink : public ByteSink {
public:
    // Creates the temporary file, name (UTF-8, of any length the file system
    // takes) + ".tmp", open for nobody else. A
    // capture's name (ending in its 15-digit stamp) never replaces a file:
    // when it is taken (the clock was set back, or another copy of the
    // program writes to the same folder) the next millisecond's name is used
    // instead. Any other name is the caller's own choice and is replaced.
    // Raises "Cannot create file "<absolute path>". <system text>".
    explicit FileSink(const std::string& name);

    // Without Commit, the temporary file is removed.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Raises "Cannot write file "<absolute path>". <system text>" unless
    // every byte was stored.
    void Write(const void* data, std::size_t size) override;

    // The file is complete: it takes its name and is closed. Raises as the
    // constructor does when the name cannot be given.
    void Commit();

    // The name the file has, or will have once committed.
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    bool captureName_ = false;
    std::string temporary_;
    ui::UniqueFile file_;
    bool committed_ = false;
};

// The name made absolute against the current directory, as the system would
// resolve it (UTF-8 both); the name itself when the system cannot say.
std::string AbsolutePath(const std::string& name);

// WriteFile's signature. Tests put in a disk that fills up; returns the
// previous one, and null restores WriteFile.
using FileWrite = BOOL(WINAPI*)(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                LPOVERLAPPED overlapped);
FileWrite SetFileWrite(FileWrite write);

}  // namespace snaplark
