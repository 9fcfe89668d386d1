// How the command layer sorts the desktop's mouse events, and the ordering
// of a dragged rectangle's corners.
#pragma once

#include <cstdint>

#include "capture/SelectionRect.h"

namespace snaplark {

enum class MouseEventKind { Move, ButtonDown, ButtonUp, Other };

// Client and non-client moves and left-button events; every other message
// (right and middle buttons, wheel) is Other.
MouseEventKind ClassifyMouseEvent(uintptr_t message);

// Left <= Right and Top <= Bottom, compared as signed numbers, so a drag up
// and to the left, or over a monitor at negative coordinates, gives the same
// rectangle as the other way round.
SelectionRect NormalizedSelection(const SelectionRect& r);

}  // namespace snaplark
