// Every BMP must be as long as its header says, in at most five writes, with
// the pixels at bfOffBits unchanged.
#include <cstdlib>
#include <cstring>

#include "capture/BmpLayout.h"
#include "FuzzImage.h"

using namespace snaplark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int kDepths[] = {1, 4, 8, 16, 24, 32};
    fuzz::FuzzImage image;
    if (!fuzz::MakeFuzzImage(data, size, kDepths, 6, image))
        return 0;
    DibView v = image.view;
    v.stride = DibStride(v.width, v.bitCount);  // a DIB section's own stride

    VectorSink sink;
    WriteBmp(sink, v);
    if (v.width == 0 || v.height == 0) {
        if (sink.writes != 0)
            std::abort();
        return 0;
    }
    const BmpLayout l = ComputeBmpLayout(v.width, v.height, v.bitCount, v.bitFields);
    if (sink.writes > 5 || sink.bytes.size() != l.fileSize)
        std::abort();
    std::uint32_t size32 = 0, offset = 0;
    std::memcpy(&size32, &sink.bytes[2], 4);  // the host is little-endian
    std::memcpy(&offset, &sink.bytes[10], 4);
    if (size32 != l.fileSize || offset + l.imageSize != l.fileSize ||
        std::memcmp(&sink.bytes[offset], v.bits, l.imageSize) != 0)
        std::abort();
    return 0;
}
