// PNG writer: the program's own chunk writer over one zlib stream. Rows are
// converted, Sub-filtered and compressed one at a time, so memory stays at a
// row buffer, the deflate state and one 65535-byte chunk buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/ByteSink.h"
#include "capture/DibView.h"

namespace snaplark {

inline constexpr std::size_t kIdatChunkSize = 65535;

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

// Writes the picture as a PNG: 24-bit rows as truecolour (colour type 2),
// 1-, 4- and 8-bit rows as indexed colour with a 2^bitCount-entry PLTE.
// Raises an Error for other depths or an inconsistent view.
//
// A bitmap of width or height 0 writes nothing at all, as the BMP and JPEG
// writers do: PNG cannot express an empty image (IHDR needs sizes of at least
// 1), and an empty file is the same outcome the other formats give.
void WritePng(ByteSink& sink, const DibView& image);

}  // namespace snaplark
