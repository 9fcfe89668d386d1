#pragma once

#include <windows.h>

namespace snaplark {

// How a window is made to repaint itself now, frame and children included.
inline constexpr UINT kRedrawFlags =
    RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;  // 0x0585
static_assert(kRedrawFlags == 0x0585);

// Makes every top-level window of the desktop repaint now, top to bottom,
// handling this thread's waiting messages after each one (so handlers may be
// entered again from inside it), and returns once the repaints are on the
// screen. Other programs repaint side by side, and one that has not painted
// within a short while (it hangs, or paints very slowly) is left as it is;
// it is not asked again until it has answered. Cloaked and hidden windows of
// other programs show nothing and are passed by.
void RedrawAllWindows();

}  // namespace snaplark
