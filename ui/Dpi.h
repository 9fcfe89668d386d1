// The DPI a window is drawn at, asked of the system through functions that
// older Windows lacks: they are looked up at run time, and without them the
// system DPI of the whole screen applies.
#pragma once

#include <windows.h>

namespace snaplark::ui {

// The DPI of the screen as a whole (the primary monitor's at log-on).
UINT SystemDpi();
// The DPI of the monitor the window is on, where the system tells it.
UINT WindowDpi(HWND window);
// The outer size of a window whose client area is clientWidth x clientHeight
// physical pixels, with the frame the system draws at dpi.
SIZE WindowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace snaplark::ui
