#include "ui/ErrorText.h"

#include <cctype>

namespace snaplark::ui {

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

std::string ErrorBoxText(const std::string& text)
{
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        return text + ".";
    return text;
}

}  // namespace snaplark::ui
