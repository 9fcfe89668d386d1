#include "capture/PngEncoder.h"

#include <zlib.h>

#include <cstring>

#include "capture/CaptureError.h"

namespace snaplark {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kCompressionLevel = 7;
constexpr std::uint8_t kFilterSub = 1;
constexpr std::uint8_t kColorTypeTruecolor = 2;
constexpr std::uint8_t kColorTypeIndexed = 3;

void PutBE32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// Frames chunk data that already sits at frame + 8, leaving room for the CRC
// after it. Returns the size of the whole chunk.
std::size_t FrameChunk(std::uint8_t* frame, const char* type, std::size_t size)
{
    PutBE32(frame, static_cast<std::uint32_t>(size));
    std::memcpy(frame + 4, type, 4);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), frame + 4, static_cast<uInt>(4 + size));
    PutBE32(frame + 8 + size, static_cast<std::uint32_t>(crc));
    return 12 + size;
}

// Owns the deflate state so it is released on every path.
class Deflater {
public:
    Deflater()
    {
        stream_ = {};
        const int rc = deflateInit(&stream_, kCompressionLevel);
        if (rc == Z_MEM_ERROR)
            throw Error("Out of memory");
        if (rc != Z_OK)
            throw Error("PNG compression error");
    }
    ~Deflater() { deflateEnd(&stream_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses `size` bytes without flushing, handing every full output
    // buffer to the chunker.
    void Feed(std::uint8_t* data, std::size_t size, IdatChunker& out)
    {
        // avail_in is 32 bits wide; a row of a huge bitmap goes in pieces.
        constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
        while (size != 0) {
            const std::size_t piece = size < kMaxPiece ? size : kMaxPiece;
            stream_.next_in = data;
            stream_.avail_in = static_cast<uInt>(piece);
            while (stream_.avail_in != 0)
                Step(Z_NO_FLUSH, out);
            data += piece;
            size -= piece;
        }
    }

    void Finish(IdatChunker& out)
    {
        while (Step(Z_FINISH, out) != Z_STREAM_END) {
        }
    }

private:
    int Step(int flush, IdatChunker& out)
    {
        const std::size_t room = out.Room();
        stream_.next_out = out.Space();
        stream_.avail_out = static_cast<uInt>(room);
        const int rc = deflate(&stream_, flush);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            throw Error("PNG compression error");
        out.Commit(room - stream_.avail_out);
        return rc;
    }

    z_stream stream_;
};

// Top-down DIB rows of blue, green, red become red, green, blue with the Sub
// filter applied in the same pass: one read and one write per byte.
void SubFilterBgrRow(const std::uint8_t* src, std::uint8_t* dst, std::size_t width)
{
    std::uint8_t lastR = 0, lastG = 0, lastB = 0;
    for (std::size_t x = 0; x < width; ++x, src += 3, dst += 3) {
        const std::uint8_t b = src[0], g = src[1], r = src[2];
        dst[0] = static_cast<std::uint8_t>(r - lastR);
        dst[1] = static_cast<std::uint8_t>(g - lastG);
        dst[2] = static_cast<std::uint8_t>(b - lastB);
        lastR = r;
        lastG = g;
        lastB = b;
    }
}

// Indexed rows: the left neighbour is one byte back whatever the bit depth.
void SubFilterIndexedRow(const std::uint8_t* src, std::uint8_t* dst, std::size_t size)
{
    std::uint8_t last = 0;
    for (std::size_t i = 0; i < size; ++i) {
        dst[i] = static_cast<std::uint8_t>(src[i] - last);
        last = src[i];
    }
}

void CheckView(const DibView& image)
{
    const int b = image.bitCount;
    const bool indexed = b == 1 || b == 4 || b == 8;
    if (image.width < 0 || image.height < 0 || !(indexed || b == 24))
        throw Error("Unsupported bitmap format");
    if (image.width == 0 || image.height == 0)
        return;
    if (image.bits == nullptr || image.stride < DibRowBytes(image.width, b) ||
        (indexed && image.colorTable == nullptr))
        throw Error("Unsupported bitmap format");
}

}  // namespace

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

void WritePng(ByteSink& sink, const DibView& image)
{
    CheckView(image);
    if (image.width == 0 || image.height == 0)
        return;

    const bool indexed = image.bitCount != 24;
    const auto width = static_cast<std::size_t>(image.width);
    const std::size_t rowBytes = indexed ? DibRowBytes(image.width, image.bitCount) : 3 * width;

    // Signature, IHDR and PLTE leave together in one Write.
    std::vector<std::uint8_t> head(8 + 12 + 13 + (indexed ? 12 + 3 * 256 : 0));
    std::memcpy(head.data(), kSignature, 8);
    std::uint8_t* ihdr = head.data() + 8;
    PutBE32(ihdr + 8, static_cast<std::uint32_t>(image.width));
    PutBE32(ihdr + 12, static_cast<std::uint32_t>(image.height));
    ihdr[16] = static_cast<std::uint8_t>(indexed ? image.bitCount : 8);
    ihdr[17] = indexed ? kColorTypeIndexed : kColorTypeTruecolor;
    // Compression, filter and interlace methods are all 0.
    std::size_t headSize = 8 + FrameChunk(ihdr, "IHDR", 13);
    if (indexed) {
        // Every entry of the colour table, used or not.
        const std::size_t entries = std::size_t{1} << image.bitCount;
        std::uint8_t* plte = head.data() + headSize;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* bgrx = image.colorTable + 4 * i;
            plte[8 + 3 * i + 0] = bgrx[2];
            plte[8 + 3 * i + 1] = bgrx[1];
            plte[8 + 3 * i + 2] = bgrx[0];
        }
        headSize += FrameChunk(plte, "PLTE", 3 * entries);
    }

    Deflater deflater;
    IdatChunker idat(sink);
    std::vector<std::uint8_t> row(1 + rowBytes);
    row[0] = kFilterSub;

    sink.Write(head.data(), headSize);
    // PNG runs top to bottom, the DIB bottom to top.
    for (int y = image.height - 1; y >= 0; --y) {
        if (indexed)
            SubFilterIndexedRow(image.Row(y), row.data() + 1, rowBytes);
        else
            SubFilterBgrRow(image.Row(y), row.data() + 1, width);
        deflater.Feed(row.data(), row.size(), idat);
    }
    deflater.Finish(idat);
    idat.Finish();

    WritePngChunk(sink, "IEND", nullptr, 0);
}

}  // namespace snaplark
