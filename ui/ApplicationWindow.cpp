#include "ui/ApplicationWindow.h"

namespace snaplark::ui {

namespace {
HWND g_applicationWindow = nullptr;
}

HWND ApplicationWindow() { return g_applicationWindow; }
void SetApplicationWindow(HWND window) { g_applicationWindow = window; }

}  // namespace snaplark::ui
