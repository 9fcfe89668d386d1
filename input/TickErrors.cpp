#include "input/TickErrors.h"

#include <exception>

#include "ui/ErrorBox.h"

namespace snaplark {

void RunTick(const std::function<void()>& capture)
{
    try {
        capture();
    } catch (...) {
        // The box is modal and the timer goes on: ticks failing while it is
        // open, or after it, are counted by the gate and not shown.
        if (TickReports().Admit())
            ReportException(std::current_exception());
    }
}

}  // namespace snaplark
