#include "ui/DisabledThreadWindows.h"

#include <utility>

namespace snaplark::ui {

namespace {

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM windows)
{
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

}  // namespace

DisabledThreadWindows::DisabledThreadWindows(HWND except)
{
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&windows_));
    std::erase(windows_, except);
    for (HWND w : windows_)
        EnableWindow(w, FALSE);
}

void DisabledThreadWindows::Restore()
{
    for (HWND w : std::exchange(windows_, {}))
        if (IsWindow(w))
            EnableWindow(w, TRUE);
}

}  // namespace snaplark::ui
