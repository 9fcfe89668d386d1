// A read-only view of a device-independent bitmap's pixels, as GetDIBits or
// a DIB section delivers them: rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace snaplark {

struct DibView {
    int width = 0;
    int height = 0;             // number of rows; the first row in memory is the bottom one
    int bitCount = 24;          // 1, 4, 8, 16, 24 or 32 bits per pixel
    const std::uint8_t* bits = nullptr;
    std::size_t stride = 0;     // bytes from one row to the next
    // At 8 bits per pixel or fewer: 2^bitCount entries of blue, green, red, 0.
    const std::uint8_t* colorTable = nullptr;
    // 16 bits only: 5-6-5 with the masks 0xF800, 0x07E0, 0x001F (BI_BITFIELDS).
    bool bitFields = false;

    const std::uint8_t* Row(int y) const { return bits + static_cast<std::size_t>(y) * stride; }
};

// Bytes in one row as a DIB stores it, padded to a multiple of 4.
inline std::size_t DibStride(int width, int bitCount)
{
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

// Bytes of pixel data in one row, without the padding.
inline std::size_t DibRowBytes(int width, int bitCount)
{
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 7) / 8;
}

}  // namespace snaplark
