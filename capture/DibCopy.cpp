#include "capture/DibCopy.h"

#include <cstdlib>

#include "capture/GdiError.h"

namespace snaplark {

BitmapShape ShapeOf(HBITMAP bitmap)
{
    if (!bitmap)
        return {};
    BITMAP bm{};
    SetLastError(0);
    if (GetObjectA(bitmap, sizeof bm, &bm) == 0)
        RaiseGdiFailure();
    return {bm.bmWidth, std::abs(bm.bmHeight), bm.bmPlanes * bm.bmBitsPixel};
}

DibCopy::DibCopy(HBITMAP source, int bitCount)
{
    const BitmapShape shape = ShapeOf(source);
    info_.header.biSize = sizeof info_.header;
    info_.header.biWidth = shape.width;
    info_.header.biHeight = shape.height;  // positive: bottom-up, as DibView expects
    info_.header.biPlanes = 1;
    info_.header.biBitCount = static_cast<WORD>(bitCount);
    info_.header.biCompression = BI_RGB;

    auto* info = reinterpret_cast<BITMAPINFO*>(&info_);
    void* bits = nullptr;
    {
        ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(nullptr)));
        section_.Reset(CheckGdi(CreateDIBSection(dc.Get(), info, DIB_RGB_COLORS, &bits, nullptr, 0)));
    }
    {
        ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(nullptr)));
        // A short fetch would hand the encoder rows that were never filled,
        // and the file would pass for a good capture.
        SetLastError(0);
        if (GetDIBits(dc.Get(), source, 0, static_cast<UINT>(shape.height), bits, info,
                      DIB_RGB_COLORS) != shape.height)
            RaiseGdiFailure();
    }

    view_.width = shape.width;
    view_.height = shape.height;
    view_.bitCount = bitCount;
    view_.bits = static_cast<const std::uint8_t*>(bits);
    view_.stride = DibStride(shape.width, bitCount);
    view_.colorTable = bitCount <= 8 ? reinterpret_cast<const std::uint8_t*>(info_.colors) : nullptr;
}

}  // namespace snaplark
