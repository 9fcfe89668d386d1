#include "capture/PngChunks.h"

#include <zlib.h>

#include <cstring>

namespace snaplark {

void PutBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::size_t FrameChunk(std::uint8_t* frame, const char* type, std::size_t size)
{
    PutBE32(frame, static_cast<std::uint32_t>(size));
    std::memcpy(frame + 4, type, 4);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), frame + 4, static_cast<uInt>(4 + size));
    PutBE32(frame + 8 + size, static_cast<std::uint32_t>(crc));
    return 12 + size;
}

void WritePngChunk(ByteSink& sink, const char (&type)[5], const std::uint8_t* data,
                   std::size_t size)
{
    std::vector<std::uint8_t> frame(12 + size);
    if (size != 0)
        std::memcpy(frame.data() + 8, data, size);
    sink.Write(frame.data(), FrameChunk(frame.data(), type, size));
}

IdatChunker::IdatChunker(ByteSink& sink) : sink_(sink), frame_(kHeaderBytes + kIdatChunkSize + 4)
{
}

void IdatChunker::Commit(std::size_t count)
{
    used_ += count;
    if (used_ == kIdatChunkSize)
        Emit();
}

void IdatChunker::Put(const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size != 0) {
        const std::size_t n = size < Room() ? size : Room();
        std::memcpy(Space(), p, n);
        Commit(n);
        p += n;
        size -= n;
    }
}

void IdatChunker::Finish()
{
    if (used_ != 0)
        Emit();
}

void IdatChunker::Emit()
{
    sink_.Write(frame_.data(), FrameChunk(frame_.data(), "IDAT", used_));
    used_ = 0;
}

}  // namespace snaplark
