#include "input/TickErrors.h"

namespace snaplark {

void TickReportGate::NewRun()
{
    told_.clear();
    dropped_ = 0;
}

bool TickReportGate::Admit(const std::string& text, const std::optional<std::string>& boxShowing)
{
    const std::string key = text.empty() ? " " : text;
    if (boxShowing && SameFailure(text, *boxShowing)) {
        told_ = key;
        ++dropped_;
        return false;
    }
    if (!told_.empty() && SameFailure(key, told_)) {
        ++dropped_;
        return false;
    }
    told_ = key;
    return true;
}

TickReportGate& TickReports()
{
    static TickReportGate gate;
    return gate;
}

}  // namespace snaplark
