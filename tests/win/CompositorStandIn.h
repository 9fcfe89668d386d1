// What the desktop compositor of Windows 10 and 11 answers for a window's
// visible bounds and whether it is cloaked, which Wine's dwmapi does not (it
// answers E_NOTIMPL, so without a stand-in the window rectangle serves and
// no window is cloaked).
#pragma once

#include "capture/Compositor.h"

#include <windows.h>

class StandInCompositor {
public:
    enum class Answer {
        VisibleBorders,  // invisible resize borders left, right and below, 7 pixels each
        PhysicalPixels,  // at 150 %, as a program that is not DPI-aware gets them
        None,
    };
    static inline Answer answer = Answer::None;
    static inline HWND cloaked = nullptr;  // the one window that is

    explicit StandInCompositor(Answer a) : previous_(snaplark::SetWindowAttributeQuery(Query))
    {
        answer = a;
    }
    ~StandInCompositor() { snaplark::SetWindowAttributeQuery(previous_); }
    StandInCompositor(const StandInCompositor&) = delete;
    StandInCompositor& operator=(const StandInCompositor&) = delete;

private:
    // Like the compositor: each question answered only with room for its
    // answer, the cloak (DWMWA_CLOAKED) and the visible bounds
    // (DWMWA_EXTENDED_FRAME_BOUNDS).
    static HRESULT WINAPI Query(HWND window, DWORD attribute, void* value, DWORD bytes)
    {
        constexpr DWORD kExtendedFrameBounds = 9, kCloaked = 14;
        if (attribute == kCloaked && bytes == sizeof(DWORD)) {
            *static_cast<DWORD*>(value) = window == cloaked ? 1 : 0;  // DWM_CLOAKED_APP
            return S_OK;
        }
        if (attribute != kExtendedFrameBounds || bytes != sizeof(RECT))
            return E_INVALIDARG;
        RECT r{};
        GetWindowRect(window, &r);
        switch (answer) {
        case Answer::VisibleBorders:
            r = {r.left + 7, r.top, r.right - 7, r.bottom - 7};
            break;
        case Answer::PhysicalPixels:
            r = {r.left * 3 / 2, r.top * 3 / 2, r.right * 3 / 2, r.bottom * 3 / 2};
            break;
        case Answer::None:
            return E_FAIL;
        }
        *static_cast<RECT*>(value) = r;
        return S_OK;
    }

    snaplark::WindowAttributeQuery previous_;
};
