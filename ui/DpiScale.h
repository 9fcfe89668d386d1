// The arithmetic of drawing at another DPI than the one the layout was
// designed for: lengths, and pixel art scaled up without blurring.
#pragma once

#include <cstdint>
#include <vector>

namespace snaplark::ui {

// Every position, size and font height in the program's layout is meant
// for a screen of 96 dots per inch.
inline constexpr unsigned kDesignDpi = 96;

// A length of the 96-DPI layout at dpi; halves round away from zero, as
// MulDiv does, so 223 becomes 335 at 144 DPI and a font height of -11 -17.
int ScaleToDpi(int value, unsigned dpi);

// A font height of the 96-DPI layout (as LOGFONT takes it, negative for the
// character height) at dpi. Fonts keep their size in points, as Windows
// sizes them: -11 is 8 points at 96 DPI, which is -16 at 144 DPI and -13 at
// 120 DPI. At 96 DPI the height is the layout's own.
int ScaleFontHeight(int height, unsigned dpi);

// Pixels of a strip of equally sized cells side by side (0x00RRGGBB, top row
// first), each cell scaled on its own by nearest neighbour to newCellWidth x
// newHeight. Colours are copied, never blended, so a colour key stays exact
// and no cell takes pixels from its neighbours.
std::vector<uint32_t> ScaleCellsNearest(const std::vector<uint32_t>& pixels, int cellWidth,
                                        int height, int cells, int newCellWidth, int newHeight);

}  // namespace snaplark::ui
