// The overlay leaving the screen at the end of a drag. Its band, still on the
// screen as the overlay hides, tells when the screen no longer shows the
// overlay (see ScreenMarks): none of the band's dots shows any more.
#pragma once

#include <windows.h>

#include "capture/ScreenMarks.h"

namespace snaplark {

class TCaptureForm;

// Puts the band from anchor to corner (where it was last drawn; (0, 0):
// none) on the screen one last time, notes its dots, wipes it from the
// overlay's picture and hides the overlay. What it returns tells when the
// screen no longer shows the band. Reading pixels may fail; then there is
// nothing to wait for, and the overlay hides all the same.
ScreenMarks TakeOverlayOff(TCaptureForm& overlay, POINT anchor, POINT corner);

}  // namespace snaplark
