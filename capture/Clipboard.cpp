#include <windows.h>

#include <vector>

#include "capture/CaptureError.h"
#include "capture/DibCopy.h"
#include "capture/GdiError.h"
#include "capture/OutputStage.h"
#include "ui/ApplicationWindow.h"
#include "ui/Handles.h"

namespace snaplark {

namespace {

// The system and clipboard viewers (clipboard history, remote desktop) open
// the clipboard briefly after every change; a short wait outlasts them.
constexpr int kOpenTries = 10;
constexpr DWORD kOpenRetryMs = 20;

class OpenedClipboard {
public:
    OpenedClipboard()
    {
        for (int tried = 1; !OpenClipboard(ui::ApplicationWindow()); ++tried) {
            if (tried == kOpenTries)
                throw Error("Cannot open clipboard");
            Sleep(kOpenRetryMs);
        }
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

// A bitmap carries a palette when it is a DIB section with a colour table
// (the Direct3D capture at 8 bits); a device-dependent bitmap has none.
ui::UniquePalette PaletteOf(HBITMAP bitmap)
{
    DIBSECTION ds{};
    if (GetObjectA(bitmap, sizeof ds, &ds) != sizeof ds || ds.dsBmih.biBitCount > 8)
        return {};
    RGBQUAD colors[256] = {};
    UINT count = 0;
    {
        ui::UniqueMemoryDc dc(CheckGdi(CreateCompatibleDC(nullptr)));
        ui::SelectGuard select(dc.Get(), bitmap);
        count = GetDIBColorTable(dc.Get(), 0, 256, colors);
    }
    if (count == 0)
        return {};

    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    for (UINT i = 0; i < count; ++i)
        log->palPalEntry[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
    return ui::UniquePalette(CheckGdi(CreatePalette(log)));
}

// A device-dependent copy for the clipboard, drawn with the bitmap's own
// palette so its colours survive on a palette display.
ui::UniqueBitmap ScreenCopyOf(HBITMAP bitmap, const BitmapShape& shape, HPALETTE palette)
{
    ui::UniqueBitmap copy;
    {
        ui::WindowDc screen(nullptr, ui::WindowDc::Client);
        if (!screen)
            RaiseGdiFailure();
        copy.Reset(CheckGdi(CreateCompatibleBitmap(screen.Get(), shape.width, shape.height)));
    }
    ui::UniqueMemoryDc target(CheckGdi(CreateCompatibleDC(nullptr)));
    ui::UniqueMemoryDc source(CheckGdi(CreateCompatibleDC(nullptr)));
    ui::SelectGuard selectTarget(target.Get(), copy.Get());
    ui::SelectGuard selectSource(source.Get(), bitmap);
    ui::SelectGuard targetPalette, sourcePalette;
    if (palette) {
        targetPalette = ui::SelectGuard::Palette(target.Get(), palette);
        sourcePalette = ui::SelectGuard::Palette(source.Get(), palette);
        RealizePalette(target.Get());
        RealizePalette(source.Get());
    }
    BitBlt(target.Get(), 0, 0, shape.width, shape.height, source.Get(), 0, 0, SRCCOPY);
    return copy;  // the guards deselect it first, so the clipboard may take it
}

// The clipboard owns what it accepted; what it refused is still ours to free,
// and the user must hear that the picture is not there.
template <typename Unique>
void HandOver(UINT format, Unique& handle)
{
    SetLastError(0);
    if (!SetClipboardData(format, handle.Get()))
        RaiseGdiFailure("Cannot place the capture on the clipboard");
    handle.Release();
}

}  // namespace

void PutCaptureOnClipboard(HBITMAP bitmap)
{
    const BitmapShape shape = ShapeOf(bitmap);
    if (shape.Empty())
        return;
    OpenedClipboard clipboard;
    EmptyClipboard();

    ui::UniquePalette palette = PaletteOf(bitmap);
    ui::UniqueBitmap copy = ScreenCopyOf(bitmap, shape, palette.Get());
    HandOver(CF_BITMAP, copy);
    if (palette)
        HandOver(CF_PALETTE, palette);  // the copy made for the clipboard
}

}  // namespace snaplark
