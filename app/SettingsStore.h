// The settings of the main window's controls in the current user's registry,
// and the autorun entry that follows the Autorun check box. Stored only by
// the Save button and at Exit; read once at start-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/Handles.h"

namespace snaplark {

class TMainForm;

inline constexpr char kSettingsKey[] = "Software\\Quenby\\Snaplark";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kAutorunValue[] = "Snaplark";

// Value names of the settings key (ASCII, as all names here).
inline constexpr char kIntervalValue[] = "Capture Interval";
inline constexpr char kOnTimerValue[] = "On Timer";
inline constexpr char kDirectoryValue[] = "Directory";
inline constexpr char kSourceValue[] = "Source";
inline constexpr char kDestinationValue[] = "Destination";
inline constexpr char kFormatValue[] = "Format";
inline constexpr char kModeValue[] = "Mode";
inline constexpr char kSoundValue[] = "Sound";

// The settings as the key holds them; a value that is absent, of another
// type than the program writes, or unreadable is empty.
struct StoredSettings {
    std::optional<uint32_t> interval;
    std::optional<uint32_t> onTimer;
    std::optional<std::string> directory;
    std::optional<uint32_t> source;
    std::optional<uint32_t> destination;
    std::optional<uint32_t> format;
    std::optional<uint32_t> mode;
    std::optional<uint32_t> sound;
};

// Opens a key under HKEY_CURRENT_USER with full access, creating it when
// create is set; empty when that fails.
ui::UniqueRegistryKey OpenUserKey(const char* path, bool create);

bool ValueExists(HKEY key, const char* name);
// A REG_DWORD of 4 bytes, or nothing.
std::optional<uint32_t> ReadDwordValue(HKEY key, const char* name);
// A REG_SZ with its terminator and at most maxLength characters (UTF-16
// units), as UTF-8; nothing when it is not such a value.
std::optional<std::string> ReadStringValue(HKEY key, const char* name,
                                           std::size_t maxLength = SIZE_MAX);
bool WriteDwordValue(HKEY key, const char* name, uint32_t value);
// value is UTF-8; stored as REG_SZ in UTF-16, as Windows keeps text.
bool WriteStringValue(HKEY key, const char* name, const std::string& value);

// Whether a Run value is this copy's own entry: the quoted path anywhere in
// it, so arguments the user added around it are fine. Letters compare without
// regard to case, as Windows compares paths.
bool IsOwnAutorunEntry(const std::string& data, const std::string& quotedPath);

// Reads the eight values in their stored order.
StoredSettings ReadStoredSettings(HKEY key);
// Writes every value that is set, in the stored order, going on past a value
// that fails; returns the names of those that failed.
std::vector<std::string> WriteStoredSettings(HKEY key, const StoredSettings& settings);

// Start-up: reads the settings key (creating it) and applies what it holds
// to the controls, by clicks where a control has a click handler.
void LoadSettings(TMainForm& form);
// Start-up: checks AutorunCB when the Run key holds this copy's entry.
void ApplyAutorunState(TMainForm& form);
// Stores every control and brings the autorun entry in line with AutorunCB.
// Failures to open a key are silent; the names of values that could not be
// written are returned, for the Save button to report.
std::vector<std::string> SaveSettings(TMainForm& form);

}  // namespace snaplark
