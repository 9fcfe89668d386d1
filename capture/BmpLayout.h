// The Windows bitmap file: BITMAPFILEHEADER, BITMAPINFOHEADER, optional
// 5-6-5 bit-field masks, colour table, pixel rows bottom-up.
#pragma once

#include <array>
#include <cstdint>

#include "capture/ByteSink.h"
#include "capture/DibView.h"

namespace snaplark {

struct BmpLayout {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool bitFields = false;
    std::uint32_t colorCount = 0;   // entries in the colour table (biClrUsed)
    std::uint32_t headerSize = 0;   // info header + masks + colour table
    std::uint32_t stride = 0;       // bytes per row, padded to 4
    std::uint32_t imageSize = 0;    // biSizeImage
    std::uint32_t fileSize = 0;     // bfSize
    std::uint32_t pixelOffset = 0;  // bfOffBits
};

inline constexpr std::uint32_t kBmpRedMask = 0xF800;
inline constexpr std::uint32_t kBmpGreenMask = 0x07E0;
inline constexpr std::uint32_t kBmpBlueMask = 0x001F;

// Raises an Error for an unsupported depth, bit fields other than at 16 bits,
// negative sizes, or a file that would not fit the 32-bit size fields.
BmpLayout ComputeBmpLayout(int width, int height, int bitCount, bool bitFields);

std::array<std::uint8_t, 14> SerializeBmpFileHeader(const BmpLayout& layout);
std::array<std::uint8_t, 40> SerializeBmpInfoHeader(const BmpLayout& layout);

// Writes the whole file with at most five writes (file header, info header,
// masks, colour table, pixels); the view's stride must be the DIB stride, so
// the pixels go out as one block. A bitmap of width or height 0 writes nothing.
void WriteBmp(ByteSink& sink, const DibView& image);

}  // namespace snaplark
