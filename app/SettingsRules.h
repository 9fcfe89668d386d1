// How stored setting values turn back into control states, and the shape of
// the autorun entry. No registry access here: these are the rules
// alone, so they can be checked away from Windows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace snaplark {

inline constexpr int kMinCaptureInterval = 100;   // the interval up-down's range, ms
inline constexpr int kMaxCaptureInterval = 5000;
// The longest command line Windows accepts, for the autorun entry (which may
// carry the user's own arguments besides the path).
inline constexpr std::size_t kMaxAutorunEntryLength = 32767;

// The button of a radio group of buttonCount buttons that a stored number
// selects: only its low 8 bits count, and a number past the last button
// selects none.
std::optional<int> StoredRadioIndex(uint32_t stored, int buttonCount);

// The up-down position for a stored interval: read as the signed number the
// control reports, then held to the control's range.
int StoredCaptureInterval(uint32_t stored);

// The length of the text of a REG_SZ value from its raw characters (UTF-16
// units, as the registry holds them): up to the first zero. Nothing when
// there is no zero in the data (the value was written without its
// terminator) or the text is longer than maxLength.
template <class Char>
std::optional<std::size_t> StoredTextLength(const Char* data, std::size_t count, std::size_t maxLength)
{
    if (!data)
        return std::nullopt;
    const Char* end = std::find(data, data + count, Char{});
    const auto length = static_cast<std::size_t>(end - data);
    if (length == count || length > maxLength)
        return std::nullopt;
    return length;
}

// The autorun entry's data for the executable at path: the path in quotes.
std::string QuotedExecutablePath(const std::string& path);

}  // namespace snaplark
