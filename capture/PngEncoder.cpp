#include "capture/PngEncoder.h"

#include <cstring>

#include "capture/CaptureError.h"

namespace snaplark {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t kFilterSub = 1;
constexpr std::uint8_t kColorTypeTruecolor = 2;
constexpr std::uint8_t kColorTypeIndexed = 3;

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

void WritePng(ByteSink& sink, const DibView& image, const DeflateThreads& threads)
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

    // PNG runs top to bottom, the DIB bottom to top.
    RowSource rows;
    rows.count = static_cast<std::size_t>(image.height);
    rows.bytes = 1 + rowBytes;
    rows.fill = [&image, indexed, width, rowBytes](std::size_t index, std::uint8_t* out) {
        const std::uint8_t* source = image.Row(image.height - 1 - static_cast<int>(index));
        out[0] = kFilterSub;
        if (indexed)
            SubFilterIndexedRow(source, out + 1, rowBytes);
        else
            SubFilterBgrRow(source, out + 1, width);
    };

    IdatChunker idat(sink);
    sink.Write(head.data(), headSize);
    DeflateRows(rows, idat, threads);
    idat.Finish();

    WritePngChunk(sink, "IEND", nullptr, 0);
}

}  // namespace snaplark
