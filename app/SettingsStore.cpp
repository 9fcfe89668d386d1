#include "app/SettingsStore.h"

#include <initializer_list>

#include "capture/CaptureState.h"
#include "app/DirectoryCaption.h"
#include "app/FileVersion.h"
#include "app/MainUnit.h"
#include "app/SettingsRules.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/SystemLibrary.h"
#include "ui/WideText.h"

namespace snaplark {

namespace {

// Set at start-up when a "Directory" value is there but could not be read
// (another type, no terminator, ...) or the key could not be opened: that
// value is the user's, and the empty directory the program went on with
// must not be written over it.
bool g_directoryUnread = false;

using CompareStringOrdinalFunction = int(WINAPI*)(LPCWCH, int, LPCWCH, int, BOOL);

// Two runs of n characters that name the same path: letters compared
// without regard to case, by the system's own table as the file system
// compares names (Vista and later); before that A-Z only.
bool SamePathText(const wchar_t* a, const wchar_t* b, std::size_t n)
{
    static const auto compare =
        ui::SystemFunction<CompareStringOrdinalFunction>(L"kernel32.dll", "CompareStringOrdinal");
    if (compare)
        return compare(a, static_cast<int>(n), b, static_cast<int>(n), TRUE) == CSTR_EQUAL;
    const auto fold = [](wchar_t c) {
        return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    };
    for (std::size_t i = 0; i < n; ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

// Clicks the button a stored number selects; a number that selects none
// clicks nothing, so the group stays as it is.
void ClickStoredButton(std::initializer_list<ui::RadioButton*> group, uint32_t stored)
{
    const auto index = StoredRadioIndex(stored, static_cast<int>(group.size()));
    if (index)
        ui::ClickControl(*group.begin()[*index]);
}

// The number of the checked button of a group; nothing when none is checked,
// so that the value already stored is kept.
std::optional<uint32_t> CheckedIndex(std::initializer_list<const ui::RadioButton*> group)
{
    uint32_t index = 0;
    for (const ui::RadioButton* button : group) {
        if (button->Checked())
            return index;
        ++index;
    }
    return std::nullopt;
}

void ProcessPendingMessages()
{
    ui::App().ProcessMessages();
}

// Brings the Run key's entry in line with the check box. Returns false when
// a write or delete was refused after the key had opened.
bool UpdateAutorunEntry(bool wanted)
{
    if (wanted) {
        const ui::UniqueRegistryKey run = OpenUserKey(kRunKey, true);
        if (!run)
            return true;
        const std::string quoted = QuotedExecutablePath(ExecutablePath());
        // An entry of this copy keeps whatever arguments the user gave it.
        const auto current = ReadStringValue(run.Get(), kAutorunValue, kMaxAutorunEntryLength);
        if (current && IsOwnAutorunEntry(*current, quoted))
            return true;
        return WriteStringValue(run.Get(), kAutorunValue, quoted);
    }
    const ui::UniqueRegistryKey run = OpenUserKey(kRunKey, false);
    if (!run || !ValueExists(run.Get(), kAutorunValue))
        return true;
    return RegDeleteValueA(run.Get(), kAutorunValue) == ERROR_SUCCESS;
}

}  // namespace

ui::UniqueRegistryKey OpenUserKey(const char* path, bool create)
{
    HKEY key = nullptr;
    const LONG result =
        create ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr)
               : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key);
    return ui::UniqueRegistryKey(result == ERROR_SUCCESS ? key : nullptr);
}

bool IsOwnAutorunEntry(const std::string& data, const std::string& quotedPath)
{
    const std::wstring entry = ui::ToUtf16(data);
    const std::wstring quoted = ui::ToUtf16(quotedPath);
    if (quoted.empty() || quoted.size() > entry.size())
        return false;
    for (std::size_t at = 0; at + quoted.size() <= entry.size(); ++at)
        if (SamePathText(entry.c_str() + at, quoted.c_str(), quoted.size()))
            return true;
    return false;
}

bool ValueExists(HKEY key, const char* name)
{
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<uint32_t> ReadDwordValue(HKEY key, const char* name)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadStringValue(HKEY key, const char* name, std::size_t maxLength)
{
    const std::wstring wideName = ui::ToUtf16(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    // Room for the text, its terminator and one more zero that some writers
    // add; anything larger is not a value of this program and is not read.
    const std::size_t units = size / sizeof(wchar_t);
    if (units > 2 && units - 2 > maxLength)
        return std::nullopt;
    // Two spare characters the query is not told about: the system may put a
    // terminator after an unterminated string, and it must land in the buffer.
    std::wstring buffer(units + 2, L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &read) != ERROR_SUCCESS ||
        type != REG_SZ || read > size)
        return std::nullopt;
    const auto length = StoredTextLength(buffer.data(), read / sizeof(wchar_t), maxLength);
    if (!length)
        return std::nullopt;
    buffer.resize(*length);
    std::string text = ui::ToUtf8(buffer);
    // Half a surrogate pair alone has no UTF-8 form: such a text would not
    // come back as it was stored.
    if (ui::ToUtf16(text) != buffer)
        return std::nullopt;
    return text;
}

bool WriteDwordValue(HKEY key, const char* name, uint32_t value)
{
    const DWORD data = value;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool WriteStringValue(HKEY key, const char* name, const std::string& value)
{
    const std::wstring text = ui::ToUtf16(value);
    return RegSetValueExW(key, ui::ToUtf16(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

StoredSettings ReadStoredSettings(HKEY key)
{
    StoredSettings s;
    s.interval = ReadDwordValue(key, kIntervalValue);
    s.onTimer = ReadDwordValue(key, kOnTimerValue);
    s.directory = ReadStringValue(key, kDirectoryValue);
    s.source = ReadDwordValue(key, kSourceValue);
    s.destination = ReadDwordValue(key, kDestinationValue);
    s.format = ReadDwordValue(key, kFormatValue);
    s.mode = ReadDwordValue(key, kModeValue);
    s.sound = ReadDwordValue(key, kSoundValue);
    return s;
}

std::vector<std::string> WriteStoredSettings(HKEY key, const StoredSettings& s)
{
    std::vector<std::string> failed;
    const auto dword = [&](const char* name, const std::optional<uint32_t>& value) {
        if (value && !WriteDwordValue(key, name, *value))
            failed.push_back(name);
    };
    dword(kIntervalValue, s.interval);
    dword(kOnTimerValue, s.onTimer);
    if (s.directory && !WriteStringValue(key, kDirectoryValue, *s.directory))
        failed.push_back(kDirectoryValue);
    dword(kSourceValue, s.source);
    dword(kDestinationValue, s.destination);
    dword(kFormatValue, s.format);
    dword(kModeValue, s.mode);
    dword(kSoundValue, s.sound);
    return failed;
}

void LoadSettings(TMainForm& form)
{
    StoredSettings stored;
    g_directoryUnread = true;
    if (const ui::UniqueRegistryKey key = OpenUserKey(kSettingsKey, true)) {
        stored = ReadStoredSettings(key.Get());
        g_directoryUnread = !stored.directory && ValueExists(key.Get(), kDirectoryValue);
    }

    // The values without click handlers take effect directly.
    if (stored.interval)
        form.TimeUD.SetPosition(StoredCaptureInterval(*stored.interval));
    if (stored.directory) {
        CaptureDirectory = *stored.directory;
        form.DirL.SetText(DirectoryCaption(CaptureDirectory));
    }
    if (stored.sound)
        form.SoundCB.SetChecked(*stored.sound != 0);

    // The radio groups start with nothing checked, so each click below runs
    // its button's handler, which keeps the tray menu's pictures in step.
    ClickStoredButton({&form.ToClipboardRB, &form.ToFileRB}, stored.destination.value_or(0));
    ProcessPendingMessages();
    ClickStoredButton({&form.PNGRB, &form.JPEGRB, &form.BMPRB}, stored.format.value_or(0));
    ProcessPendingMessages();
    ClickStoredButton({&form.FullscreenRB, &form.RectangleRB, &form.WindowRB},
                      stored.source.value_or(0));
    ProcessPendingMessages();
    // Saved like the others, so restored like them; GDI is already checked.
    if (stored.mode) {
        ClickStoredButton({&form.GDIRB, &form.D3DRB}, *stored.mode);
        ProcessPendingMessages();
    }
    // Last, because timer mode forces File whatever Destination said.
    if (stored.onTimer.value_or(0) != 0 && !form.TimerCB.Checked())
        ui::ClickControl(form.TimerCB);
}

void ApplyAutorunState(TMainForm& form)
{
    const ui::UniqueRegistryKey run = OpenUserKey(kRunKey, false);
    if (!run)
        return;
    bool own = false;
    if (ValueExists(run.Get(), kAutorunValue)) {
        const auto data = ReadStringValue(run.Get(), kAutorunValue, kMaxAutorunEntryLength);
        own = data && IsOwnAutorunEntry(*data, QuotedExecutablePath(ExecutablePath()));
    }
    form.AutorunCB.SetChecked(own);
}

std::vector<std::string> SaveSettings(TMainForm& form)
{
    std::vector<std::string> failed;
    if (const ui::UniqueRegistryKey key = OpenUserKey(kSettingsKey, true)) {
        StoredSettings s;
        // The position is signed 16 bits; widened with its sign.
        s.interval = static_cast<uint32_t>(static_cast<int32_t>(form.TimeUD.Position()));
        s.onTimer = form.TimerCB.Checked() ? 1 : 0;
        // The folder dialog never gives an empty path: an empty directory
        // over a value that was not read is no choice of the user's.
        if (!g_directoryUnread || !CaptureDirectory.empty())
            s.directory = CaptureDirectory;
        s.source = CheckedIndex({&form.FullscreenRB, &form.RectangleRB, &form.WindowRB});
        s.destination = CheckedIndex({&form.ToClipboardRB, &form.ToFileRB});
        s.format = CheckedIndex({&form.PNGRB, &form.JPEGRB, &form.BMPRB});
        s.mode = CheckedIndex({&form.GDIRB, &form.D3DRB});
        s.sound = form.SoundCB.Checked() ? 1 : 0;
        failed = WriteStoredSettings(key.Get(), s);
    }
    if (!UpdateAutorunEntry(form.AutorunCB.Checked()))
        failed.push_back(kAutorunValue);
    return failed;
}

}  // namespace snaplark
