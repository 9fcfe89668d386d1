#include "ui/Timer.h"

#include <map>

#include "ui/Application.h"

namespace snaplark::ui {

namespace {

std::map<UINT_PTR, Timer*>& Timers()
{
    static std::map<UINT_PTR, Timer*> timers;
    return timers;
}

UINT_PTR NextId()
{
    static UINT_PTR next = 1;
    return next++;
}

}  // namespace

Timer::Timer() : id_(NextId())
{
    Timers()[id_] = this;
}

Timer::~Timer()
{
    SetEnabled(false);
    Timers().erase(id_);
}

void Timer::SetInterval(UINT milliseconds)
{
    interval_ = milliseconds;
    if (enabled_)
        Restart();
}

void Timer::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (enabled_)
        Restart();
    else
        KillTimer(App().Handle(), id_);
}

void Timer::Restart()
{
    // Setting an existing timer id again restarts its period.
    KillTimer(App().Handle(), id_);
    SetTimer(App().Handle(), id_, interval_, nullptr);
}

bool Timer::Tick(UINT_PTR id)
{
    const auto it = Timers().find(id);
    if (it == Timers().end())
        return false;
    Timer* timer = it->second;
    // A tick taken from the queue after the timer was disabled is dropped.
    if (timer->enabled_ && timer->OnTimer)
        timer->OnTimer();
    return true;
}

}  // namespace snaplark::ui
