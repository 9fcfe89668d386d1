// How stored setting values turn back into control states, and how the
// autorun entry is recognised. No registry access here: these are the rules
// alone, so they can be checked away from Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace snaplark {

inline constexpr int kMinCaptureInterval = 100;   // the interval up-down's range, ms
inline constexpr int kMaxCaptureInterval = 5000;
// The folder dialog never returns more than MAX_PATH characters; a longer
// stored directory is not something the program wrote.
inline constexpr std::size_t kMaxStoredDirectoryLength = 260;
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

// The text of a REG_SZ value from its raw bytes: up to the first zero byte.
// Nothing when there is no zero in the data (the value was written without
// its terminator) or the text is longer than maxLength.
std::optional<std::string> StoredText(const char* data, std::size_t size, std::size_t maxLength);

// The autorun entry's data for the executable at path: the path in quotes.
std::string QuotedExecutablePath(const std::string& path);

// Whether a Run value is this copy's own entry: the quoted path anywhere in
// it, so arguments the user added around it are fine. Letters compare without
// regard to case, as Windows paths do (A-Z only: the path is in the ANSI code
// page, whose other letters have no single case rule).
bool IsOwnAutorunEntry(const std::string& data, const std::string& quotedPath);

}  // namespace snaplark
