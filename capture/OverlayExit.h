// The overlay leaving the screen at the end of a drag. Without a compositor
// to draw the screen afresh (Wine, Windows with composition off), a hidden
// window's pixels stay on the screen until the windows beneath have drawn
// themselves there again, each in its own program's time; a copy made
// meanwhile would hold the frozen screen and its band. The band, still on
// the screen as the overlay hides, tells when that is over: none of its dots
// shows any more.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

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
    void WaitUntilGone() const;

private:
    struct Dot {
        size_t strip;
        size_t index;    // in the strip's pixels, top row first
        uint32_t color;  // 0x00RRGGBB as the overlay showed it
    };
    bool Showing() const;

    std::array<RECT, 4> strips_{};  // along the band's edges
    std::vector<Dot> dots_;
};

}  // namespace snaplark
