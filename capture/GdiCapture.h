// Desktop captures through GDI: the pixels are copied into a screen-compatible
// bitmap, which goes to the clipboard or into a file according to the shared
// capture state (CaptureDestination, CaptureFormat, CaptureDirectory), read
// at the moment of the call. Errors of the output stage pass through.
#pragma once

#include <windows.h>

namespace snaplark {

// The primary monitor, after every top-level window has repainted.
void CaptureFullScreen();

// SelRect, read live from the screen; Right and Bottom are exclusive.
void CaptureRectangle();

// The whole window, frame and title bar included, at its current size.
// Raises the system's text (e.g. "Invalid window handle") when the window is
// gone, and then writes nothing.
void CaptureWindow(HWND window);

}  // namespace snaplark
