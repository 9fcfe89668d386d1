#include "ui/DpiScale.h"

#include <gtest/gtest.h>

#include <vector>

using snaplark::ui::ScaleCellsNearest;
using snaplark::ui::ScaleFontHeight;
using snaplark::ui::ScaleToDpi;

namespace {

TEST(DpiScale, LengthsRoundHalvesUpAndFontsKeepTheirPointSize)
{
    EXPECT_EQ(ScaleToDpi(223, 144), 335);  // 334.5
    EXPECT_EQ(ScaleToDpi(419, 144), 629);
    EXPECT_EQ(ScaleToDpi(69, 120), 86);    // 86.25
    EXPECT_EQ(ScaleToDpi(-11, 144), -17);
    // -11 at 96 DPI is 8 points: 16 pixels at 144 DPI, 13 at 120.
    EXPECT_EQ(ScaleFontHeight(-11, 144), -16);
    EXPECT_EQ(ScaleFontHeight(-11, 120), -13);
    EXPECT_EQ(ScaleFontHeight(0, 144), 0);  // the face's own default stays
    // At 96 DPI the layout is drawn exactly as it was designed.
    for (int v = -40; v <= 420; ++v) {
        EXPECT_EQ(ScaleToDpi(v, 96), v);
        EXPECT_EQ(ScaleFontHeight(v, 96), v);
    }
}

TEST(DpiScale, CellsGrowPixelByPixelWithoutBorrowingFromTheirNeighbours)
{
    // Two cells of 2 x 2: A B / C D, and one of the key colour K.
    const uint32_t A = 1, B = 2, C = 3, D = 4, K = 0xFF00FF;
    const std::vector<uint32_t> strip = {A, B, K, K,
                                         C, D, K, K};
    EXPECT_EQ(ScaleCellsNearest(strip, 2, 2, 2, 4, 4),
              (std::vector<uint32_t>{A, A, B, B, K, K, K, K,
                                     A, A, B, B, K, K, K, K,
                                     C, C, D, D, K, K, K, K,
                                     C, C, D, D, K, K, K, K}));
    // Half as large again: each pixel once or twice, never a blend.
    EXPECT_EQ(ScaleCellsNearest(strip, 2, 2, 2, 3, 3),
              (std::vector<uint32_t>{A, B, B, K, K, K,
                                     C, D, D, K, K, K,
                                     C, D, D, K, K, K}));
    EXPECT_THROW(ScaleCellsNearest(strip, 2, 2, 3, 4, 4), std::invalid_argument);
}

}  // namespace
