#include "input/TickErrors.h"

#include <cctype>

namespace snaplark {

namespace {

// Capture files are named by 15 digits of the local time.
constexpr std::size_t kStampDigits = 15;

// The text with every run of exactly 15 digits taken out.
std::string WithoutStamps(const std::string& text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i) {
            out += text[i++];
            continue;
        }
        if (j - i != kStampDigits)
            out.append(text, i, j - i);
        i = j;
    }
    return out;
}

}  // namespace

bool SameFailure(const std::string& a, const std::string& b)
{
    return WithoutStamps(a) == WithoutStamps(b);
}

void TickReportGate::NewRun()
{
    told_.clear();
    dropped_ = 0;
}

bool TickReportGate::Admit(const std::string& text, const std::optional<std::string>& boxShowing)
{
    const std::string key = text.empty() ? " " : text;
    if (boxShowing) {
        if (SameFailure(text, *boxShowing))
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
