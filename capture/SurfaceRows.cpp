#include "capture/SurfaceRows.h"

#include <cstring>
#include <stdexcept>

namespace snaplark {

SurfaceRowConverter::SurfaceRowConverter(int depth, const std::array<uint32_t, 256>* palette)
    : depth_(depth)
{
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        throw std::invalid_argument("unsupported screen depth");
    if (depth != 8)
        return;
    if (!palette)
        throw std::invalid_argument("an 8-bit picture needs its palette");
    // A nearest-colour table over 32 levels per channel: one search per cell
    // instead of one per pixel keeps a full-screen capture quick.
    nearest_.resize(32 * 32 * 32);
    for (int cell = 0; cell < 32 * 32 * 32; ++cell) {
        const int r = ((cell >> 10) & 31) * 255 / 31;
        const int g = ((cell >> 5) & 31) * 255 / 31;
        const int b = (cell & 31) * 255 / 31;
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < 256; ++i) {
            const uint32_t c = (*palette)[i];
            const long dr = r - static_cast<int>((c >> 16) & 255);
            const long dg = g - static_cast<int>((c >> 8) & 255);
            const long db = b - static_cast<int>(c & 255);
            const long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        nearest_[cell] = static_cast<uint8_t>(best);
    }
}

void SurfaceRowConverter::Convert(const uint8_t* src, int width, uint8_t* dst) const
{
    switch (depth_) {
    case 32:
        std::memcpy(dst, src, static_cast<size_t>(width) * 4);
        break;
    case 24:
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        break;
    case 16:
        for (int x = 0; x < width; ++x, src += 4, dst += 2) {
            const unsigned v = ((src[2] >> 3) << 11) | ((src[1] >> 2) << 5) | (src[0] >> 3);
            dst[0] = static_cast<uint8_t>(v & 255);
            dst[1] = static_cast<uint8_t>(v >> 8);
        }
        break;
    case 8:
        for (int x = 0; x < width; ++x, src += 4)
            *dst++ = nearest_[((src[2] >> 3) << 10) | ((src[1] >> 3) << 5) | (src[0] >> 3)];
        break;
    }
}

}  // namespace snaplark
