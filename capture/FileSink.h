// A capture file on disk as a ByteSink.
#pragma once

#include <string>

#include "capture/ByteSink.h"
#include "ui/Handles.h"

namespace snaplark {

class FileSink : public ByteSink {
public:
    // Creates or replaces the file, open for nobody else while it is written.
    // Raises "Cannot create file "<absolute path>". <system text>".
    explicit FileSink(const std::string& name);

    // Raises "Stream write error" unless every byte was stored.
    void Write(const void* data, std::size_t size) override;

private:
    UniqueFile file_;
};

// The name made absolute against the current directory, as the system would
// resolve it; the name itself when the system cannot say.
std::string AbsolutePath(const std::string& name);

}  // namespace snaplark
