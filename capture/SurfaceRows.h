// Turning the rows of a locked A8R8G8B8 surface into rows of a DIB at the
// screen's depth, so a Direct3D capture shows the true picture at any depth.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace snaplark {

class SurfaceRowConverter {
public:
    // depth: 8, 16, 24 or 32 bits per pixel. At 8 bits, palette holds the 256
    // colours of the bitmap's colour table as 0x00RRGGBB; each pixel becomes
    // the index of the nearest of them.
    explicit SurfaceRowConverter(int depth, const std::array<uint32_t, 256>* palette = nullptr);

    // Converts width pixels (4 bytes each: blue, green, red, alpha) into one
    // DIB row: 32 bits copies the bytes unchanged, alpha included; 24 bits
    // drops alpha; 16 bits packs 5-6-5 (masks 0xF800, 0x07E0, 0x001F);
    // 8 bits looks the colour up in the palette.
    void Convert(const uint8_t* surfaceRow, int width, uint8_t* dibRow) const;

    int Depth() const { return depth_; }

private:
    int depth_;
    std::vector<uint8_t> nearest_;  // 8 bits: index by 5-bit red, green, blue
};

}  // namespace snaplark
