// A main-thread window timer. Enabling it starts a fresh period, so the
// first tick comes one interval later; disabling it drops ticks that are
// already due; the system never queues a second tick while one is waiting.
#pragma once

#include <windows.h>

#include <functional>

namespace snaplark::ui {

class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Takes effect at once: a running timer starts a fresh period.
    void SetInterval(UINT milliseconds);
    UINT Interval() const { return interval_; }
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }

    std::function<void()> OnTimer;

    // Runs the handler of the timer with this id (WM_TIMER of the
    // application window); false when no enabled timer has it.
    static bool Tick(UINT_PTR id);

private:
    void Restart();

    UINT_PTR id_;
    UINT interval_ = 1000;
    bool enabled_ = false;
};

}  // namespace snaplark::ui
