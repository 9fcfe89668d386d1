// Registration of the program's own window classes.
#pragma once

#include <windows.h>

namespace snaplark::ui {

// Registers a class once per process: the button-face background, the arrow
// cursor and the program icon. Registering a name again does nothing.
void RegisterFrameworkClass(const char* name, WNDPROC procedure);

}  // namespace snaplark::ui
