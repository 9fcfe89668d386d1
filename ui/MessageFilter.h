// Messages from programs of a lower integrity level (an elevated copy of this
// program receiving from the shell or from a copy that is not elevated) are
// dropped by the system unless the window lets them in.
#pragma once

#include <windows.h>

namespace snaplark::ui {

// Lets this one message reach the window whoever sends it: for the window on
// Windows 7 and later, for the whole process on Vista; older systems filter
// nothing.
void LetMessageIn(HWND window, UINT message);

}  // namespace snaplark::ui
