#include "capture/BmpLayout.h"

#include <cstring>
#include <limits>

#include "capture/CaptureError.h"

namespace snaplark {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kMasksSize = 12;
constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

void Put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool IsDibDepth(int bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

}  // namespace

BmpLayout ComputeBmpLayout(int width, int height, int bitCount, bool bitFields)
{
    if (width < 0 || height < 0 || !IsDibDepth(bitCount) || (bitFields && bitCount != 16))
        throw Error("Unsupported bitmap format");

    BmpLayout l;
    l.width = width;
    l.height = height;
    l.bitCount = bitCount;
    l.bitFields = bitFields;
    l.colorCount = bitCount <= 8 ? (1u << bitCount) : 0;
    l.headerSize = kInfoHeaderSize + (bitFields ? kMasksSize : 0) + 4 * l.colorCount;

    // Sizes are computed wide: a bitmap whose file exceeds the 32-bit size
    // fields would otherwise get a header that lies about its length.
    const std::uint64_t stride = DibStride(width, bitCount);
    const std::uint64_t image = stride * static_cast<std::uint64_t>(height);
    const std::uint64_t file = kFileHeaderSize + l.headerSize + image;
    if (file > std::numeric_limits<std::uint32_t>::max())
        throw Error("Bitmap too large");
    l.stride = static_cast<std::uint32_t>(stride);
    l.imageSize = static_cast<std::uint32_t>(image);
    l.fileSize = static_cast<std::uint32_t>(file);
    l.pixelOffset = kFileHeaderSize + l.headerSize;
    return l;
}

std::array<std::uint8_t, 14> SerializeBmpFileHeader(const BmpLayout& l)
{
    std::array<std::uint8_t, 14> h{};
    Put16(&h[0], kBmpSignature);
    Put32(&h[2], l.fileSize);
    // bfReserved1 and bfReserved2 stay 0.
    Put32(&h[10], l.pixelOffset);
    return h;
}

std::array<std::uint8_t, 40> SerializeBmpInfoHeader(const BmpLayout& l)
{
    std::array<std::uint8_t, 40> h{};
    Put32(&h[0], kInfoHeaderSize);
    Put32(&h[4], static_cast<std::uint32_t>(l.width));
    Put32(&h[8], static_cast<std::uint32_t>(l.height));  // positive: rows bottom-up
    Put16(&h[12], 1);
    Put16(&h[14], static_cast<std::uint16_t>(l.bitCount));
    Put32(&h[16], l.bitFields ? kBiBitfields : kBiRgb);
    Put32(&h[20], l.imageSize);
    // biXPelsPerMeter, biYPelsPerMeter 0.
    Put32(&h[32], l.colorCount);
    // biClrImportant 0.
    return h;
}

void WriteBmp(ByteSink& sink, const DibView& image)
{
    const BmpLayout l = ComputeBmpLayout(image.width, image.height, image.bitCount, image.bitFields);
    if (l.width == 0 || l.height == 0)
        return;
    if (image.bits == nullptr || image.stride != l.stride ||
        (l.colorCount != 0 && image.colorTable == nullptr))
        throw Error("Unsupported bitmap format");

    const auto fileHeader = SerializeBmpFileHeader(l);
    const auto infoHeader = SerializeBmpInfoHeader(l);
    sink.Write(fileHeader.data(), fileHeader.size());
    sink.Write(infoHeader.data(), infoHeader.size());

    if (l.bitFields) {
        std::uint8_t masks[kMasksSize];
        Put32(&masks[0], kBmpRedMask);
        Put32(&masks[4], kBmpGreenMask);
        Put32(&masks[8], kBmpBlueMask);
        sink.Write(masks, sizeof masks);
    }

    if (l.colorCount != 0) {
        // The reserved byte of each entry is written as 0 whatever the source holds.
        std::uint8_t table[256 * 4];
        std::memcpy(table, image.colorTable, 4 * l.colorCount);
        for (std::uint32_t i = 0; i < l.colorCount; ++i)
            table[4 * i + 3] = 0;
        sink.Write(table, 4 * l.colorCount);
    }

    sink.Write(image.bits, l.imageSize);
}

}  // namespace snaplark
