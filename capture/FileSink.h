// A capture file on disk as a ByteSink.
#pragma once

#include <string>

#include "capture/ByteSink.h"
#include "ui/Handles.h"

namespace snaplark {

class FileSink : public ByteSink {
public:
    // Creates the file, open for nobody else while it is written. A capture's
    // name (ending in its 15-digit stamp) never replaces a file: when it is
    // taken (the clock was set back, or another copy of the program writes to
    // the same folder) the next millisecond's name is used instead. Any other
    // name is the caller's own choice and is created or replaced as given.
    // Raises "Cannot create file "<absolute path>". <system text>".
    explicit FileSink(const std::string& name);

    // Raises "Stream write error" unless every byte was stored.
    void Write(const void* data, std::size_t size) override;

private:
    ui::UniqueFile file_;
};

// The name made absolute against the current directory, as the system would
// resolve it; the name itself when the system cannot say.
std::string AbsolutePath(const std::string& name);

}  // namespace snaplark
