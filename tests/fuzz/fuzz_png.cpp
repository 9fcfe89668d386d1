// Every PNG must decode with libpng to exactly the pixels it was given, its
// zlib stream must inflate whole (Adler-32 included), and the file must be
// the same on any number of threads. The first byte chooses the threads and
// the stripe size, so small pictures take the parallel path too.
#include <png.h>
#include <zlib.h>

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
    if (size < 1)
        return 0;
    DeflateThreads threads;
    threads.threads = 1 + (data[0] & 3);
    if (data[0] >> 2 != 0)
        threads.stripeBytes = static_cast<std::size_t>(data[0] >> 2) * 97;  // 97 bytes to about 6 KiB
    fuzz::FuzzImage image;
    if (!fuzz::MakeFuzzImage(data + 1, size - 1, kDepths, 4, image))
        return 0;
    const DibView& v = image.view;

    VectorSink sink;
    WritePng(sink, v, threads);
    if (v.width == 0 || v.height == 0) {
        if (!sink.bytes.empty())
            std::abort();
        return 0;
    }
    if (threads.threads != 1) {
        VectorSink one;
        threads.threads = 1;
        WritePng(one, v, threads);
        if (one.bytes != sink.bytes)
            std::abort();
    }

    // The IDAT chunks joined, inflated in one go.
    std::vector<std::uint8_t> stream;
    for (std::size_t at = 8; at + 12 <= sink.bytes.size();) {
        const std::uint8_t* c = &sink.bytes[at];
        const std::size_t length = std::size_t{c[0]} << 24 | c[1] << 16 | c[2] << 8 | c[3];
        if (std::memcmp(c + 4, "IDAT", 4) == 0)
            stream.insert(stream.end(), c + 8, c + 8 + length);
        at += 12 + length;
    }
    const std::size_t rowBytes = v.bitCount == 24 ? 3 * std::size_t(v.width) : DibRowBytes(v.width, v.bitCount);
    std::vector<std::uint8_t> raw(v.height * (1 + rowBytes) + 1);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, stream.data(), stream.size()) != Z_OK ||
        rawSize != v.height * (1 + rowBytes))
        std::abort();

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
