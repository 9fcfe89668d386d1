// The Keys window of the running program: opening and closing it as a user
// does, and the layout of its legend at 96 DPI.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/driver/Driver.h"

namespace program {

// Clicks the Keys button without waiting for the modal window to close.
inline HWND OpenKeysWindow(DWORD pid, HWND keysButton)
{
    PostMessageA(keysButton, BM_CLICK, 0, 0);
    return driver::WaitForWindow(pid, "TKbdForm", "Keys", driver::Ms(10000), true);
}

inline bool CloseKeysWindow(HWND keys)
{
    PostMessageA(keys, WM_CLOSE, 0, 0);
    return driver::WaitFor([&] { return !IsWindowVisible(keys); });
}

struct LegendRow {
    const char* caption;
    int left, top, width;
    bool key;
};

// The legend's labels in declaration order, at 96 DPI.
inline const std::vector<LegendRow>& LegendRows()
{
    static const std::vector<LegendRow> rows = {
        {"PrtScr", 8, 16, 29, true},
        {"Alt+PrtScr", 8, 52, 47, true},
        {"Ctrl+PrtScr", 8, 40, 50, true},
        {"Shift + PrtsScr ", 8, 28, 70, true},
        {"Selected Action / Stop", 92, 16, 108, false},
        {"Fullscreen Capture", 92, 28, 88, false},
        {"Rectangle Capture", 92, 40, 89, false},
        {"Window Capture", 92, 52, 79, false},
    };
    return rows;
}

inline std::pair<const char*, bool> LegendFont(const std::string&) { return {"MS Sans Serif", false}; }

}  // namespace program
