// PNG chunk framing: length, type, data and CRC-32, each chunk leaving in one
// Write, and the cutting of a compressed stream into IDAT chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/ByteSink.h"

namespace snaplark {

inline constexpr std::size_t kIdatChunkSize = 65535;

void PutBE32(std::uint8_t* p, std::uint32_t v);

// Frames chunk data that already sits at frame + 8, leaving room for the CRC
// after it. Returns the size of the whole chunk.
std::size_t FrameChunk(std::uint8_t* frame, const char* type, std::size_t size);

// Writes one chunk (length, type, data, CRC) with a single Write.
void WritePngChunk(ByteSink& sink, const char (&type)[5], const std::uint8_t* data,
                   std::size_t size);

// Cuts a stream of compressed bytes into IDAT chunks: every chunk but the
// last holds exactly kIdatChunkSize bytes, and no chunk is empty. Deflate
// writes straight into Space() and reports how much it wrote with Commit().
class IdatChunker {
public:
    explicit IdatChunker(ByteSink& sink);

    std::uint8_t* Space() { return frame_.data() + kHeaderBytes + used_; }
    std::size_t Room() const { return kIdatChunkSize - used_; }
    void Commit(std::size_t count);  // writes the chunk as soon as it is full
    void Put(const void* data, std::size_t size);
    void Finish();  // writes what is left, if anything

private:
    static constexpr std::size_t kHeaderBytes = 8;  // length and type
    void Emit();

    ByteSink& sink_;
    std::vector<std::uint8_t> frame_;  // a whole chunk, so it leaves in one Write
    std::size_t used_ = 0;
};

}  // namespace snaplark
