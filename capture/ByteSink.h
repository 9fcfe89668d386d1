// Where an encoder's bytes go: a file on Windows, memory in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace snaplark {

// Write stores all `size` bytes or raises an Error (a file sink names the
// file and the system's reason, so a damaged file never passes as a
// success). Encoders hand over large blocks, never single bytes.
struct ByteSink {
    virtual ~ByteSink() = default;
    virtual void Write(const void* data, std::size_t size) = 0;
};

// Collects everything in memory and counts the calls.
class VectorSink : public ByteSink {
public:
    void Write(const void* data, std::size_t size) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        ++writes;
    }

    std::vector<std::uint8_t> bytes;
    int writes = 0;
};

}  // namespace snaplark
