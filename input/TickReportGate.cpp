#include "input/TickErrors.h"

namespace snaplark {

void TickReportGate::NewRun()
{
    told_ = false;
    dropped_ = 0;
}

bool TickReportGate::Admit()
{
    if (told_) {
        ++dropped_;
        return false;
    }
    told_ = true;
    return true;
}

TickReportGate& TickReports()
{
    static TickReportGate gate;
    return gate;
}

}  // namespace snaplark
