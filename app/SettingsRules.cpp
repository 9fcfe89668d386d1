#include "app/SettingsRules.h"

#include <algorithm>
#include <cstring>

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

std::optional<std::string> StoredText(const char* data, std::size_t size, std::size_t maxLength)
{
    if (!data)
        return std::nullopt;
    const void* zero = std::memchr(data, 0, size);
    if (!zero)
        return std::nullopt;
    const auto length = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    if (length > maxLength)
        return std::nullopt;
    return std::string(data, length);
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

bool IsOwnAutorunEntry(const std::string& data, const std::string& quotedPath)
{
    const auto fold = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    const auto same = [&](char a, char b) { return fold(a) == fold(b); };
    return !quotedPath.empty() &&
           std::search(data.begin(), data.end(), quotedPath.begin(), quotedPath.end(), same) !=
               data.end();
}

}  // namespace snaplark
