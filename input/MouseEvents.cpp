#include "input/MouseEvents.h"

#include <algorithm>

namespace snaplark {

namespace {
// Message numbers, spelled out so this builds without the Windows headers.
constexpr uintptr_t kMouseMove = 0x200, kNcMouseMove = 0xA0;
constexpr uintptr_t kLButtonDown = 0x201, kNcLButtonDown = 0xA1;
constexpr uintptr_t kLButtonUp = 0x202, kNcLButtonUp = 0xA2;
}  // namespace

MouseEventKind ClassifyMouseEvent(uintptr_t message)
{
    switch (message) {
    case kMouseMove:
    case kNcMouseMove:
        return MouseEventKind::Move;
    case kLButtonDown:
    case kNcLButtonDown:
        return MouseEventKind::ButtonDown;
    case kLButtonUp:
    case kNcLButtonUp:
        return MouseEventKind::ButtonUp;
    default:
        return MouseEventKind::Other;
    }
}

SelectionRect NormalizedSelection(const SelectionRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

}  // namespace snaplark
