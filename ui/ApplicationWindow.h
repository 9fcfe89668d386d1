// The program's hidden top-level window: it carries the taskbar button, owns
// every form, owns the clipboard during a capture and the error box.
#pragma once

#include <windows.h>

namespace snaplark::ui {

HWND ApplicationWindow();
void SetApplicationWindow(HWND window);

}  // namespace snaplark::ui
