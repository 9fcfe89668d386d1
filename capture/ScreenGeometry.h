// Where things are on the screen: the bounds a window capture copies and the
// red frame of a window pick surrounds, and the part of an area that the
// monitors show.
#pragma once

#include <windows.h>

namespace snaplark {

// The window's visible bounds in screen coordinates: the compositor's, which
// leave out the invisible resize borders of Windows 10 and 11, or the window
// rectangle where the compositor gives none. False, with the system's error
// code, when the window no longer exists.
bool VisibleWindowBounds(HWND window, RECT* bounds);

// The part of a rectangle in screen coordinates that some monitor shows;
// empty when none does.
RECT OnScreens(const RECT& area);

}  // namespace snaplark
