// Fetching a bitmap's rows for the encoders: GetDIBits into a DIB section of
// our own, so GDI does the conversion from whatever depth the bitmap has.
#pragma once

#include <windows.h>

#include "capture/DibView.h"
#include "ui/Handles.h"

namespace snaplark {

struct BitmapShape {
    int width = 0;
    int height = 0;    // rows, whatever the bitmap's orientation
    int bitCount = 0;  // planes x bits per pixel
    bool Empty() const { return width <= 0 || height <= 0; }
};

// The size and depth of a capture bitmap. A capture of width or height 0 has
// no pixel storage and comes as a null handle: its shape is empty. A non-null
// handle that cannot be read raises the system's text.
BitmapShape ShapeOf(HBITMAP bitmap);

// A bottom-up copy of a non-empty bitmap at bitCount bits per pixel (BI_RGB),
// with the colour table at 8 bits or fewer. The bitmap must not be selected
// into a device context. Raises when GDI cannot create or fill the copy.
class DibCopy {
public:
    DibCopy(HBITMAP source, int bitCount);
    DibCopy(const DibCopy&) = delete;  // the view points into this object
    DibCopy& operator=(const DibCopy&) = delete;

    const DibView& View() const { return view_; }

private:
    struct Info {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    };

    Info info_{};
    ui::UniqueBitmap section_;
    DibView view_;
};

}  // namespace snaplark
