// Reports of failing timed captures, kept from piling up: the timer goes on
// ticking while an error box is open, and the same failure repeats on every
// tick (a window that has closed, a directory that was removed).
#pragma once

#include <functional>

namespace snaplark {

// Decides which tick failures are shown: the first of a timer run only. A
// failing tick usually fails again on every tick (each with its own file
// name in the text), so telling more would bury the user in boxes while the
// timer runs on; the next Print Screen stops it.
class TickReportGate {
public:
    // A new timer run: its first failure will be told.
    void NewRun();
    // Whether to show this failure; the rest of the run is counted, not shown.
    bool Admit();
    int Dropped() const { return dropped_; }

private:
    bool told_ = false;
    int dropped_ = 0;
};

TickReportGate& TickReports();

// Runs one tick's capture; a failure goes to the error box through the gate.
void RunTick(const std::function<void()>& capture);

}  // namespace snaplark
