// A window of a thread of its own that keeps other programs waiting, as a busy
// or hung program does: once shown, it takes paintMs over every paint, or it
// takes no messages at all, until it goes.
#pragma once

#include <windows.h>

#include <atomic>

#include "tests/driver/Driver.h"

class SlowWindow {
public:
    enum class Stuck { InPaint, TakingNoMessages };

    SlowWindow(Stuck how, DWORD paintMs, RECT at = {900, 600, 1000, 680}) : how_(how), paintMs_(paintMs), at_(at)
    {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        driver::WaitFor([&] { return stuck_.load(); }, driver::Ms(5000));
    }
    ~SlowWindow()
    {
        SetEvent(release_);
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 15000);
        CloseHandle(thread_);
        CloseHandle(release_);
    }
    SlowWindow(const SlowWindow&) = delete;
    SlowWindow& operator=(const SlowWindow&) = delete;

    bool Ready() const { return stuck_; }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        auto* self = reinterpret_cast<SlowWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (m == WM_PAINT && self && self->stuck_) {
            PAINTSTRUCT ps;
            BeginPaint(w, &ps);
            WaitForSingleObject(self->release_, self->paintMs_);
            EndPaint(w, &ps);
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    static DWORD WINAPI Run(void* p)
    {
        auto* self = static_cast<SlowWindow*>(p);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "SlowWindow";
        RegisterClassA(&wc);
        const RECT& r = self->at_;
        HWND w = CreateWindowA("SlowWindow", "Slow", WS_POPUP | WS_BORDER, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ShowWindow(w, SW_SHOWNOACTIVATE);
        driver::Pump();  // its first paint, at its own pace
        self->stuck_ = true;
        if (self->how_ == Stuck::TakingNoMessages)
            WaitForSingleObject(self->release_, INFINITE);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(w);
        return 0;
    }

    Stuck how_;
    DWORD paintMs_;
    RECT at_;
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<bool> stuck_{false};
};
