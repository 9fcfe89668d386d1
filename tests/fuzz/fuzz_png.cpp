// Every PNG must decode with libpng to exactly the pixels it was given.
#include <png.h>

#include <cstdlib>
#include <cstring>

#include "capture/PngEncoder.h"
#include "FuzzImage.h"

using namespace snaplark;

namespace {

unsigned Index(const DibView& v, int x, int y)
{
    const std::uint8_t* row = v.Row(v.height - 1 - y);
    const int perByte = 8 / v.bitCount;
    const int shift = 8 - v.bitCount * (x % perByte + 1);
    return (row[x / perByte] >> shift) & ((1u << v.bitCount) - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int kDepths[] = {1, 4, 8, 24};
    fuzz::FuzzImage image;
    if (!fuzz::MakeFuzzImage(data, size, kDepths, 4, image))
        return 0;
    const DibView& v = image.view;

    VectorSink sink;
    WritePng(sink, v);
    if (v.width == 0 || v.height == 0) {
        if (!sink.bytes.empty())
            std::abort();
        return 0;
    }

    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, sink.bytes.data(), sink.bytes.size()))
        std::abort();
    png.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr))
        std::abort();
    if (static_cast<int>(png.width) != v.width || static_cast<int>(png.height) != v.height)
        std::abort();

    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            const std::uint8_t* bgr = v.bitCount == 24 ? v.Row(v.height - 1 - y) + 3 * x
                                                       : v.colorTable + 4 * Index(v, x, y);
            const std::uint8_t* got = &rgb[(static_cast<std::size_t>(y) * v.width + x) * 3];
            if (got[0] != bgr[2] || got[1] != bgr[1] || got[2] != bgr[0])
                std::abort();
        }
    return 0;
}
