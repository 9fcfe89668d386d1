#include "capture/SurfaceRows.h"

#include <gtest/gtest.h>

#include <vector>

using snaplark::SurfaceRowConverter;

namespace {

// Three surface pixels (blue, green, red, alpha): pure red, a mid grey with
// an odd alpha, and a colour whose low bits the packings must drop.
const std::vector<uint8_t> kRow = {0x00, 0x00, 0xFF, 0xFF, 0x80, 0x80, 0x80, 0x12, 0x1F, 0x7E, 0xC3, 0x00};

TEST(SurfaceRows, ThirtyTwoBitsCopiesBytesUnchangedAlphaIncluded)
{
    std::vector<uint8_t> out(12, 0xEE);
    SurfaceRowConverter(32).Convert(kRow.data(), 3, out.data());
    EXPECT_EQ(out, kRow);
}

TEST(SurfaceRows, TwentyFourBitsDropsAlpha)
{
    std::vector<uint8_t> out(9);
    SurfaceRowConverter(24).Convert(kRow.data(), 3, out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0x80, 0x80, 0x80, 0x1F, 0x7E, 0xC3}));
}

TEST(SurfaceRows, SixteenBitsPacksFiveSixFive)
{
    std::vector<uint8_t> out(6);
    SurfaceRowConverter(16).Convert(kRow.data(), 3, out.data());
    const auto word = [&](int i) { return out[2 * i] | (out[2 * i + 1] << 8); };
    EXPECT_EQ(word(0), 0xF800);                              // red fills its mask
    EXPECT_EQ(word(1), (0x10 << 11) | (0x20 << 5) | 0x10);   // 0x80 in each channel
    EXPECT_EQ(word(2), (0xC3 >> 3) << 11 | (0x7E >> 2) << 5 | (0x1F >> 3));
}

TEST(SurfaceRows, EightBitsPicksTheNearestPaletteColour)
{
    std::array<uint32_t, 256> palette{};
    palette.fill(0x000000);
    palette[7] = 0xFF0000;    // red
    palette[42] = 0x808080;   // grey
    palette[200] = 0xC08020;  // near the third pixel
    std::vector<uint8_t> out(3);
    SurfaceRowConverter(8, &palette).Convert(kRow.data(), 3, out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 42, 200}));
}

TEST(SurfaceRows, OtherDepthsAreRefused)
{
    EXPECT_THROW(SurfaceRowConverter(15), std::invalid_argument);
    EXPECT_THROW(SurfaceRowConverter(8), std::invalid_argument);  // no palette
}

}  // namespace
