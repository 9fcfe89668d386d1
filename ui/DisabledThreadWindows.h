// Makes a window modal to the whole program: the thread's other visible
// windows take no input until it is done.
#pragma once

#include <windows.h>

#include <vector>

namespace snaplark::ui {

class DisabledThreadWindows {
public:
    // Disables the calling thread's visible, enabled windows but except.
    explicit DisabledThreadWindows(HWND except = nullptr);
    ~DisabledThreadWindows() { Restore(); }
    DisabledThreadWindows(const DisabledThreadWindows&) = delete;
    DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

    // Enables them again now (those that still exist) rather than at scope
    // exit.
    void Restore();

private:
    std::vector<HWND> windows_;
};

}  // namespace snaplark::ui
