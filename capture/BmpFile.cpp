#include <windows.h>

#include <array>
#include <optional>

#include "capture/BmpLayout.h"
#include "capture/DibCopy.h"
#include "capture/FileSink.h"
#include "capture/GdiError.h"
#include "capture/OutputStage.h"

namespace snaplark {

namespace {

// A DIB section (the Direct3D capture) goes into the file as it is, when the
// file can carry its rows unchanged: bottom-up, and plain RGB or 5-6-5 bit
// fields. Anything else is converted like a device-dependent bitmap.
std::optional<DibView> SectionAsItIs(HBITMAP bitmap, std::array<RGBQUAD, 256>& colors)
{
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits)
        return std::nullopt;
    const BITMAPINFOHEADER& h = ds.dsBmih;
    if (h.biHeight <= 0)
        return std::nullopt;
    const bool bitFields = h.biCompression == BI_BITFIELDS;
    if (bitFields && !(h.biBitCount == 16 && ds.dsBitfields[0] == kBmpRedMask &&
                       ds.dsBitfields[1] == kBmpGreenMask && ds.dsBitfields[2] == kBmpBlueMask))
        return std::nullopt;
    if (!bitFields && h.biCompression != BI_RGB)
        return std::nullopt;

    DibView view;
    view.width = h.biWidth;
    view.height = h.biHeight;
    view.bitCount = h.biBitCount;
    view.bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
    view.stride = DibStride(view.width, view.bitCount);
    view.bitFields = bitFields;
    if (view.bitCount <= 8) {
        ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(nullptr)));
        ui::SelectGuard select(dc.Get(), bitmap);
        colors.fill({});
        GetDIBColorTable(dc.Get(), 0, 1u << view.bitCount, colors.data());
        view.colorTable = reinterpret_cast<const std::uint8_t*>(colors.data());
    }
    return view;
}

}  // namespace

void WriteBmpFile(HBITMAP bitmap, const std::string& fileName)
{
    FileSink file(fileName);
    const BitmapShape shape = ShapeOf(bitmap);
    if (!shape.Empty()) {
        std::array<RGBQUAD, 256> colors;
        if (const std::optional<DibView> section = SectionAsItIs(bitmap, colors)) {
            WriteBmp(file, *section);
        } else {
            // A device-dependent bitmap is written at its own depth.
            const DibCopy dib(bitmap, shape.bitCount);
            WriteBmp(file, dib.View());
        }
    }
    file.Commit();
}

}  // namespace snaplark
