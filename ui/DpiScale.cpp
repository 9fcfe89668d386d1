#include "ui/DpiScale.h"

#include <cstdlib>
#include <stdexcept>

namespace snaplark::ui {

int ScaleToDpi(int value, unsigned dpi)
{
    const long long scaled = static_cast<long long>(std::llabs(value)) * dpi;
    const int magnitude = static_cast<int>((scaled * 2 + kDesignDpi) / (2 * kDesignDpi));
    return value < 0 ? -magnitude : magnitude;
}

int ScaleFontHeight(int height, unsigned dpi)
{
    if (dpi == kDesignDpi || height == 0)
        return height;
    constexpr int kPointsPerInch = 72;
    const long long points = (std::llabs(height) * kPointsPerInch * 2 + kDesignDpi) / (2 * kDesignDpi);
    const long long pixels = (points * dpi * 2 + kPointsPerInch) / (2 * kPointsPerInch);
    const int magnitude = static_cast<int>(pixels > 0 ? pixels : 1);
    return height < 0 ? -magnitude : magnitude;
}

namespace {

// The source pixel whose centre lies nearest the centre of target pixel i.
int NearestSource(int i, int size, int newSize)
{
    return static_cast<int>((2LL * i + 1) * size / (2LL * newSize));
}

}  // namespace

std::vector<uint32_t> ScaleCellsNearest(const std::vector<uint32_t>& pixels, int cellWidth,
                                        int height, int cells, int newCellWidth, int newHeight)
{
    if (cellWidth <= 0 || height <= 0 || cells <= 0 || newCellWidth <= 0 || newHeight <= 0)
        throw std::invalid_argument("A picture to scale has no pixels");
    const size_t width = static_cast<size_t>(cellWidth) * cells;
    if (pixels.size() != width * height)
        throw std::invalid_argument("A picture to scale is not the size it claims");
    const size_t newWidth = static_cast<size_t>(newCellWidth) * cells;
    std::vector<uint32_t> out(newWidth * newHeight);
    for (int y = 0; y < newHeight; ++y) {
        const uint32_t* row = pixels.data() + NearestSource(y, height, newHeight) * width;
        uint32_t* target = out.data() + y * newWidth;
        for (int cell = 0; cell < cells; ++cell)
            for (int x = 0; x < newCellWidth; ++x)
                target[cell * newCellWidth + x] =
                    row[cell * cellWidth + NearestSource(x, cellWidth, newCellWidth)];
    }
    return out;
}

}  // namespace snaplark::ui
