// The overlay leaving the screen at the end of a drag. Its band, still on the
// screen as the overlay hides, tells when the screen no longer shows the
// overlay (see ScreenMarks): none of the band's dots shows any more.
#pragma once

#include <windows.h>

#include "capture/ScreenMarks.h"

namespace snaplark {

class TCaptureForm;

class OverlayExit {
public:
    // Puts the band from anchor to corner (where it was last drawn; (0, 0):
    // none) on the screen one last time, notes its dots, wipes it from the
    // overlay's picture and hides the overlay. Reading pixels may fail; then
    // there is nothing to wait for, and the overlay hides all the same.
    OverlayExit(TCaptureForm& overlay, POINT anchor, POINT corner);

    // Returns once none of the band's dots shows on the screen, or after a
    // short while when something else keeps them there.
    void WaitUntilGone() const { band_.WaitUntilGone(); }

private:
    ScreenMarks band_;
};

}  // namespace snaplark
