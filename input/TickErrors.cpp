#include "input/TickErrors.h"

#include <exception>

#include "ui/ErrorBox.h"

namespace snaplark {

void RunTick(const std::function<void()>& capture)
{
    try {
        capture();
    } catch (...) {
        // The timer goes on: a failure repeated on later ticks, or the one
        // the open box already tells, is counted by the gate and not shown.
        const std::exception_ptr error = std::current_exception();
        if (TickReports().Admit(ui::ErrorTextOf(error), ui::ShownErrorText()))
            ui::ReportException(error);
    }
}

}  // namespace snaplark
