#include "capture/OverlayExit.h"

#include <algorithm>
#include <array>

#include "capture/CaptureUnit.h"
#include "capture/SelectionAids.h"
#include "ui/Application.h"

namespace snaplark {

namespace {

// Strips three pixels wide along the four edges of the band, so they hold
// its outline whichever way round it was dragged, clipped to the screen.
std::array<RECT, 4> EdgeStrips(POINT a, POINT b)
{
    const LONG left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const LONG top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    std::array<RECT, 4> strips{{{left - 1, top - 1, right + 1, top + 2},
                                {left - 1, bottom - 2, right + 1, bottom + 1},
                                {left - 1, top - 1, left + 2, bottom + 1},
                                {right - 2, top - 1, right + 1, bottom + 1}}};
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (RECT& s : strips)
        IntersectRect(&s, &s, &screen);
    return strips;
}

}  // namespace

ScreenMarks TakeOverlayOff(TCaptureForm& overlay, POINT anchor, POINT corner)
{
    ScreenMarks band;
    const bool banded = corner.x != 0 || corner.y != 0;
    try {
        if (banded) {
            // What the screen shows of the overlay is its picture once it has
            // painted and the paint has gone out to the screen.
            UpdateWindow(overlay.CaptureI.Handle());
            ui::App().ProcessMessages();
            HDC canvas = overlay.CaptureI.Canvas();
            const std::array<RECT, 4> strips = EdgeStrips(anchor, corner);
            std::array<std::vector<uint32_t>, 4> shown;
            for (size_t i = 0; i < strips.size(); ++i)
                shown[i] = PixelsOf(canvas, strips[i]);
            DrawSelectionBand(corner.x, corner.y);  // drawn a second time: wiped
            for (size_t i = 0; i < strips.size(); ++i)
                band.Add(strips[i], shown[i], PixelsOf(canvas, strips[i]));
        }
    } catch (...) {
        band = {};  // no picture to read: nothing to tell the overlay by
    }
    overlay.Hide();
    return band;
}

}  // namespace snaplark
