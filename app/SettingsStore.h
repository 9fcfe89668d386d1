// The settings of the main window's controls in the current user's registry,
// and the autorun entry that follows the Autorun check box. Stored only by
// the Save button and at Exit; read once at start-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/Handles.h"

namespace snaplark {

class TMainForm;

inline constexpr char kSettingsKey[] = "Software\\Quenby\\Snaplark";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kAutorunValue[] = "Snaplark";

// Value names of the settings key.
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
// A REG_SZ with its terminator and at most maxLength characters, or nothing.
std::optional<std::string> ReadStringValue(HKEY key, const char* name, std::size_t maxLength);
bool WriteDwordValue(HKEY key, const char* name, uint32_t value);
bool WriteStringValue(HKEY key, const char* name, const std::string& value);

// Reads the eight values in their stored order.
StoredSettings ReadStoredSettings(HKEY key);
// Writes every value that is set, in the stored order, going on past a value
// that fails; returns the names of those that failed.
std::vector<std::string> WriteStoredSettings(HKEY key, const StoredSettings& settings);

// Full path of the running executable.
std::string ExecutablePath();

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
