// Full-screen capture from the Direct3D 9 front buffer, for programs that draw
// through Direct3D and so may not show in a GDI copy of the desktop.
#pragma once

#include <d3d9.h>

namespace snaplark {

// The primary monitor's front buffer, to the clipboard or a file according to
// the shared capture state, at the size of the adapter's display mode (the
// front buffer's own size, which under DPI scaling is not the screen size a
// program run unaware of the DPI is told). Sets "DirectX not found!" in the status line when
// Direct3D cannot be created and "O.K." after a file has been written.
// Raises, and then writes nothing and leaves the clipboard alone:
// "Cannot read the display mode through Direct3D",
// "Cannot create the Direct3D device", "Cannot create the Direct3D surface",
// "Cannot read the screen through Direct3D" (front buffer or lock refused).
void CaptureFullScreenD3D();

// Direct3DCreate9 by default; tests put their own factory in. Returns the
// previous one; null restores the default.
using Direct3DFactory = IDirect3D9*(WINAPI*)(UINT sdkVersion);
Direct3DFactory SetDirect3DFactory(Direct3DFactory factory);

// The screen depth the capture bitmap follows: GetDeviceCaps(dc, BITSPIXEL)
// by default. Tests put in 8, 16 or 24 bits to run those pictures on any
// display; returns the previous reader, and null restores the default.
using ScreenDepthReader = int (*)(HDC screen);
ScreenDepthReader SetScreenDepthReader(ScreenDepthReader reader);

}  // namespace snaplark
