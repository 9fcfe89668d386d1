// Marks of this program's own on the screen (the band of a drag, the red
// frame of a window pick) that must be gone before the screen is copied.
// Without a compositor to draw the screen afresh (Wine, Windows with
// composition off), a hidden window's pixels stay on the screen until the
// windows beneath have drawn themselves there again, each in its own
// program's time; a copy made meanwhile would hold the mark. The pixels
// where a mark differs from what lies beneath it tell when that is over.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace snaplark {

class ScreenMarks {
public:
    // Watches the pixels of area (screen coordinates) where the mark, as the
    // screen shows it, differs from what lies beneath it: both as PixelsOf
    // gives them for area. Pictures of another size are not watched.
    void Add(const RECT& area, const std::vector<uint32_t>& mark,
             const std::vector<uint32_t>& beneath);

    // Whether the screen still shows any watched pixel of a mark.
    bool Showing() const;
    // Returns once the screen shows none, or after a short while when
    // something else keeps them there.
    void WaitUntilGone() const;
    // Stops watching the marks that the screen no longer shows.
    void ForgetGone();

private:
    struct Dot {
        size_t index;    // in the area's pixels, top row first
        uint32_t color;  // 0x00RRGGBB as the mark showed it
    };
    struct Mark {
        RECT area;
        std::vector<Dot> dots;
    };
    bool Shows(HDC screen, const Mark& mark) const;

    std::vector<Mark> marks_;
};

// The pixels of a DC in a rectangle, 0x00RRGGBB, top row first; empty when
// GDI cannot give them.
std::vector<uint32_t> PixelsOf(HDC source, const RECT& r);

}  // namespace snaplark
