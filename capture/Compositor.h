// The desktop compositor of Windows Vista and later, whose functions are
// looked up at run time: older systems have no dwmapi.dll, and without the
// compositor (or under Wine) each of these falls back to what GDI alone gives.
#pragma once

#include <windows.h>

namespace snaplark {

// Waits for the compositor's next frame, so that what windows have just
// painted, or a window just hidden, is on the screen. Returns at once
// without a compositor.
void WaitForNextFrame();

// The window's visible bounds in screen pixels, without the invisible
// resize borders of Windows 10 and 11 (DWMWA_EXTENDED_FRAME_BOUNDS); false
// when the compositor does not give them.
bool CompositorFrameBounds(HWND window, RECT* bounds);

// Whether the compositor keeps the window off the screen (DWMWA_CLOAKED): a
// window on another virtual desktop, or a suspended store app. False when
// the compositor does not say.
bool IsCloaked(HWND window);

// DwmGetWindowAttribute's signature. Tests put in the answers of a system
// with a compositor, which Wine does not have; returns the previous one,
// and null restores the system's.
using WindowAttributeQuery = HRESULT(WINAPI*)(HWND window, DWORD attribute, void* value,
                                              DWORD size);
WindowAttributeQuery SetWindowAttributeQuery(WindowAttributeQuery query);

}  // namespace snaplark
