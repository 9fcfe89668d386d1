// Turns fuzzer bytes into a small DIB: the first four bytes choose width,
// height, depth and extra row padding; the rest are pixels and colour table,
// repeated as needed. Sizes stay small so each run takes milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/DibView.h"

namespace snaplark::fuzz {

struct FuzzImage {
    std::vector<std::uint8_t> bits;
    std::vector<std::uint8_t> colorTable;
    DibView view;
};

// `depths` lists the bit counts to choose from.
inline bool MakeFuzzImage(const std::uint8_t* data, std::size_t size, const int* depths, int depthCount,
                          FuzzImage& out)
{
    if (size < 4)
        return false;
    const int width = data[0] | ((data[3] & 0x01) << 8);  // 0..511
    const int height = data[1] & 0x3F;                     // 0..63
    const int bitCount = depths[data[2] % depthCount];
    const std::size_t extra = 4 * ((data[3] >> 1) & 0x03);  // a larger stride than needed
    out.view.bitFields = (data[3] & 0x08) != 0 && bitCount == 16;
    data += 4;
    size -= 4;

    const std::size_t stride = DibStride(width, bitCount) + extra;
    out.bits.resize(stride * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < out.bits.size(); ++i)
        out.bits[i] = size != 0 ? data[i % size] : static_cast<std::uint8_t>(i);
    out.colorTable.resize(bitCount <= 8 ? (4u << bitCount) : 0);
    for (std::size_t i = 0; i < out.colorTable.size(); ++i)
        out.colorTable[i] = size != 0 ? static_cast<std::uint8_t>(data[(i * 7) % size] ^ i) : 0;

    out.view.width = width;
    out.view.height = height;
    out.view.bitCount = bitCount;
    out.view.bits = out.bits.empty() ? nullptr : out.bits.data();
    out.view.stride = stride;
    out.view.colorTable = out.colorTable.empty() ? nullptr : out.colorTable.data();
    return true;
}

}  // namespace snaplark::fuzz
