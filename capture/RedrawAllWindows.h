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
// screen. A window of another program that does not answer within a moment
// (Not Responding) is left as it is rather than waited for.
void RedrawAllWindows();

}  // namespace snaplark
