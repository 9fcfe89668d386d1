// Desktop captures through GDI: the pixels are copied into a screen-compatible
// bitmap, which goes to the clipboard or into a file according to the shared
// capture state (CaptureDestination, CaptureFormat, CaptureDirectory), read
// at the moment of the call. Errors of the output stage pass through. A copy
// that the system refuses (a locked workstation, the secure desktop) raises
// the system's text, or "Cannot copy the screen" when it gives none, and
// places nothing: never a blank picture.
#pragma once

#include <windows.h>

namespace snaplark {

// The primary monitor, after every top-level window has repainted.
void CaptureFullScreen();

// SelRect, read live from the screen; Right and Bottom are exclusive.
void CaptureRectangle();

// The whole window, frame and title bar included, at its current visible
// bounds, read from the screen: what the user sees there, covering windows
// included. Raises the system's text (e.g. "Invalid window handle") when the
// window is gone, and "Cannot copy the screen" when no monitor shows any of
// it; then it writes nothing.
void CaptureWindow(HWND window);

// The copy from the screen into the bitmap at (targetX, targetY): BitBlt for
// the clipboard, StretchBlt one to one for a file. Tests put in a copy that
// fails as it does on a locked workstation, which Wine does not show;
// returns the previous one, and null restores the default.
using ScreenCopy = BOOL (*)(HDC target, int targetX, int targetY, HDC source, int x, int y,
                            int width, int height, bool stretch);
ScreenCopy SetScreenCopy(ScreenCopy copy);

}  // namespace snaplark
