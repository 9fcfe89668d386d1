// Full-screen capture from the Direct3D 9 front buffer, for programs that draw
// through Direct3D and so may not show in a GDI copy of the desktop.
#pragma once

#include <d3d9.h>

namespace snaplark {

// The primary monitor's front buffer, to the clipboard or a file according to
// the shared capture state. Sets "DirectX not found!" in the status line when
// Direct3D cannot be created and "O.K." after a file has been written.
// Raises "Cannot read the screen through Direct3D" when the front buffer
// cannot be read or locked, and then writes nothing.
void CaptureFullScreenD3D();

// Direct3DCreate9 by default; tests put their own factory in. Returns the
// previous one; null restores the default.
using Direct3DFactory = IDirect3D9*(WINAPI*)(UINT sdkVersion);
Direct3DFactory SetDirect3DFactory(Direct3DFactory factory);

}  // namespace snaplark
