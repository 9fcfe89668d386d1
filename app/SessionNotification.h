// Session changes (lock, unlock, ...) reported to a window as
// WM_WTSSESSION_CHANGE, for as long as the object lives. Looked up at run
// time: Windows 2000 has no such reports, and the program runs on without.
#pragma once

#include <windows.h>

namespace snaplark {

class SessionNotification {
public:
    // window must outlive the registration.
    explicit SessionNotification(HWND window);
    ~SessionNotification();
    SessionNotification(const SessionNotification&) = delete;
    SessionNotification& operator=(const SessionNotification&) = delete;

private:
    void Reset();

    HMODULE library_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace snaplark
