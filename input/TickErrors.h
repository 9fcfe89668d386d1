// Reports of failing timed captures, kept from piling up: the timer goes on
// ticking while an error box is open, and the same failure repeats on every
// tick (a window that has closed, a directory that was removed).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ui/ErrorText.h"

namespace snaplark {

// Decides which tick failures of a timer run are shown. A failing tick
// usually fails again on every tick, each time with the name of its own file
// in the text, so the same failure is told once per run; a different one
// (the folder came back, then the disk filled up) is told too, after the
// box open now (the error box keeps it until then).
class TickReportGate {
public:
    // A new timer run: its first failure will be told.
    void NewRun();
    // Whether to show this failure. boxShowing: the text of the error box on
    // screen now, if one is; a failure that box already tells counts as told.
    bool Admit(const std::string& text, const std::optional<std::string>& boxShowing);
    int Dropped() const { return dropped_; }

private:
    std::string told_;
    int dropped_ = 0;
};

using ui::SameFailure;

TickReportGate& TickReports();

// Runs one tick's capture; a failure goes to the error box through the gate.
void RunTick(const std::function<void()>& capture);

}  // namespace snaplark
