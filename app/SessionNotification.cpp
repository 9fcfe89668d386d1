#include "app/SessionNotification.h"

#include <utility>

#include "ui/SystemLibrary.h"

namespace snaplark {

namespace {

constexpr DWORD kNotifyForThisSession = 0;  // NOTIFY_FOR_THIS_SESSION

using RegisterFunction = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterFunction = BOOL(WINAPI*)(HWND);

template <typename F>
F Function(HMODULE library, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

SessionNotification::SessionNotification(HWND window)
{
    library_ = ui::LoadSystemLibrary(L"wtsapi32.dll");
    const auto registerWindow =
        library_ ? Function<RegisterFunction>(library_, "WTSRegisterSessionNotification") : nullptr;
    if (registerWindow && registerWindow(window, kNotifyForThisSession))
        window_ = window;
    if (!window_)
        Reset();
}

SessionNotification::~SessionNotification()
{
    Reset();
}

void SessionNotification::Reset()
{
    if (window_) {
        if (const auto unregisterWindow =
                Function<UnregisterFunction>(library_, "WTSUnRegisterSessionNotification"))
            unregisterWindow(window_);
        window_ = nullptr;
    }
    if (library_)
        FreeLibrary(std::exchange(library_, nullptr));
}

}  // namespace snaplark
