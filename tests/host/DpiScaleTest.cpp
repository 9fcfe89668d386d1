#include "ui/DpiScale.h"

#include <gtest/gtest.h>

#include <vector>

using snaplark::ScaleCellsNearest;
using snaplark::ScaleFontHeight;
using snaplark::ScaleToDpi;

namespace {

TEST(DpiScale, LengthsRoundHalvesAwayFromZeroAndStayAsTheyAreAt96)
{
    EXPECT_EQ(ScaleToDpi(223, 144), 335);  // 334.5
    EXPECT_EQ(ScaleToDpi(419, 144), 629);  // 628.5
    EXPECT_EQ(ScaleToDpi(69, 120), 86);    // 86.25
    EXPECT_EQ(ScaleToDpi(13, 120), 16);    // 16.25
    EXPECT_EQ(ScaleToDpi(-11, 144), -17);
    EXPECT_EQ(ScaleToDpi(0, 144), 0);
    for (int v : {-11, 0, 1, 17, 223, 419})
        EXPECT_EQ(ScaleToDpi(v, 96), v);
    EXPECT_EQ(ScaleToDpi(217, 192), 434);
}

TEST(DpiScale, FontHeightsKeepTheirPointSize)
{
    // -11 at 96 DPI is 8 points.
    EXPECT_EQ(ScaleFontHeight(-11, 96), -11);
    EXPECT_EQ(ScaleFontHeight(-11, 120), -13);
    EXPECT_EQ(ScaleFontHeight(-11, 144), -16);
    EXPECT_EQ(ScaleFontHeight(-11, 192), -21);
    EXPECT_EQ(ScaleFontHeight(11, 144), 16);  // cell heights scale alike
    EXPECT_EQ(ScaleFontHeight(0, 144), 0);    // the face's default stays
    // Whatever the layout asks for at 96 DPI is drawn as asked.
    for (int h = -40; h <= 40; ++h)
        EXPECT_EQ(ScaleFontHeight(h, 96), h);
}

TEST(DpiScale, CellsGrowPixelByPixelWithoutBorrowingFromTheirNeighbours)
{
    // Two cells of 2 x 2: A B / C D, then a cell of one colour K.
    const uint32_t A = 1, B = 2, C = 3, D = 4, K = 0xFF00FF;
    const std::vector<uint32_t> strip = {A, B, K, K,
                                         C, D, K, K};
    EXPECT_EQ(ScaleCellsNearest(strip, 2, 2, 2, 4, 4),
              (std::vector<uint32_t>{A, A, B, B, K, K, K, K,
                                     A, A, B, B, K, K, K, K,
                                     C, C, D, D, K, K, K, K,
                                     C, C, D, D, K, K, K, K}));
    // Half as large again: each pixel once or twice, never a blend, and the
    // key colour of the neighbouring cell stays out.
    EXPECT_EQ(ScaleCellsNearest(strip, 2, 2, 2, 3, 3),
              (std::vector<uint32_t>{A, B, B, K, K, K,
                                     C, D, D, K, K, K,
                                     C, D, D, K, K, K}));
    // 16 to 24: source pixel 8 starts exactly at target pixel 12.
    std::vector<uint32_t> ramp(16);
    for (uint32_t i = 0; i < 16; ++i)
        ramp[i] = i;
    const std::vector<uint32_t> row = ScaleCellsNearest(ramp, 16, 1, 1, 24, 1);
    EXPECT_EQ(row[11], 7u);
    EXPECT_EQ(row[12], 8u);
    EXPECT_EQ(row[0], 0u);
    EXPECT_EQ(row[23], 15u);

    EXPECT_THROW(ScaleCellsNearest(strip, 2, 2, 3, 4, 4), std::invalid_argument);
    EXPECT_THROW(ScaleCellsNearest(strip, 2, 2, 2, 0, 4), std::invalid_argument);
}

}  // namespace
