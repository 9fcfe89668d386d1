#include "app/SettingsRules.h"

#include <algorithm>

namespace snaplark {

std::optional<int> StoredRadioIndex(uint32_t stored, int buttonCount)
{
    const int index = static_cast<int>(stored & 0xFF);
    if (index >= buttonCount)
        return std::nullopt;
    return index;
}

int StoredCaptureInterval(uint32_t stored)
{
    const auto value = static_cast<int32_t>(stored);
    return std::clamp<int32_t>(value, kMinCaptureInterval, kMaxCaptureInterval);
}

std::string QuotedExecutablePath(const std::string& path)
{
    std::string quoted;
    quoted.reserve(path.size() + 2);
    quoted += '"';
    quoted += path;
    quoted += '"';
    return quoted;
}

}  // namespace snaplark
