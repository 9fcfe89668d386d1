// Helpers for tests that drive the real Snaplark.exe: waiting for its
// start-up to finish, finding the main window's controls among its children,
// and writing registry values of any shape.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/driver/Driver.h"

namespace program {

using namespace driver;

inline constexpr char kSettingsKey[] = "Software\\Quenby\\Snaplark";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

inline int ThreadCount(DWORD pid)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry))
        count += entry.th32OwnerProcessID == pid;
    CloseHandle(snap);
    return count;
}

inline bool MutexHeld()
{
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "SnaplarkMutex");
    if (m)
        CloseHandle(m);
    return m != nullptr;
}

// The main window's controls, found by their captions and places.
struct MainControls {
    HWND main = nullptr;
    HWND fullscreen = nullptr, rectangle = nullptr, window = nullptr;
    HWND gdi = nullptr, d3d = nullptr;
    HWND clipboard = nullptr, file = nullptr;
    HWND dirL = nullptr;
    HWND timer = nullptr, timeE = nullptr, timeUD = nullptr;
    HWND png = nullptr, jpeg = nullptr, bmp = nullptr;
    HWND autorun = nullptr, sound = nullptr;
    HWND keys = nullptr, save = nullptr, exit = nullptr;

    explicit MainControls(HWND mainWindow) : main(mainWindow)
    {
        // The picture buttons are the window's own buttons without a
        // caption, from left to right (their places grow with the DPI).
        std::vector<HWND> pictures;
        for (HWND w : ChildrenOf(main)) {
            const std::string text = TextOf(w);
            if (text == "Autorun")
                autorun = w;
            else if (text == "Sound")
                sound = w;
            else if (text.empty() && ClassOf(w) == "Button")
                pictures.push_back(w);
            for (HWND c : ChildrenOf(w)) {
                const std::string caption = TextOf(c);
                const std::string cls = ClassOf(c);
                if (text == "Source")
                    (caption == "Fullscreen" ? fullscreen : caption == "Rectangle" ? rectangle : window) = c;
                else if (text == "Mode")
                    (caption == "GDI" ? gdi : d3d) = c;
                else if (text == "Destination")
                    (caption == "Clipboard" ? clipboard : file) = c;
                else if (text == "Format")
                    (caption == "PNG" ? png : caption == "JPEG" ? jpeg : bmp) = c;
                else if (text == "Directory" && cls == "Static")
                    dirL = c;
                else if (text == "On Timer" && cls == "Button")
                    timer = c;
                else if (text == "On Timer" && cls == "Edit")
                    timeE = c;
                else if (text == "On Timer" && cls == UPDOWN_CLASSA)
                    timeUD = c;
            }
        }
        std::sort(pictures.begin(), pictures.end(),
                  [](HWND a, HWND b) { return BoundsInParent(a).left < BoundsInParent(b).left; });
        if (pictures.size() == 3) {
            keys = pictures[0];
            save = pictures[1];
            exit = pictures[2];
        }
    }

    bool Found() const
    {
        for (HWND w : {fullscreen, rectangle, window, gdi, d3d, clipboard, file, dirL, timer, timeE,
                       timeUD, png, jpeg, bmp, autorun, sound, keys, save, exit})
            if (!w)
                return false;
        return true;
    }
};

inline bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline int Position(HWND upDown) { return static_cast<int>(SendMessageA(upDown, UDM_GETPOS32, 0, 0)); }
// A click as the user's: the button's own click handling runs.
inline void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

// The program started and through its whole start-up: the hook thread is
// running and the main thread has come back to its messages.
struct Resident {
    Process process;
    HWND main = nullptr;
    int threads = 0;

    // Started in dir, or in the test's current folder.
    explicit Resident(const std::string& path = ProgramPath(), const std::string& dir = "")
    {
        process = Start(path, "", dir);
        main = WaitForWindow(process.Pid(), "TMainForm", "Snaplark");
        // The hook thread is the last thing start-up creates.
        WaitFor([&] { return ThreadCount(process.Pid()) >= 2; });
        threads = ThreadCount(process.Pid());
        if (main)
            SendMessageA(main, WM_NULL, 0, 0);
    }

    MainControls Controls() const { return MainControls(main); }

    // Ends the program through its Exit button, which saves the settings.
    bool Exit()
    {
        const MainControls c = Controls();
        PostMessageA(c.exit, BM_CLICK, 0, 0);
        return process.Wait(10s) == std::optional<DWORD>(0);
    }
};

// Presses Print Screen with the modifiers until a capture reaches the
// clipboard: the hooks may come up a moment after the hook thread.
inline std::optional<Pixels> CaptureToClipboard(const std::vector<WORD>& modifiers = {})
{
    EmptyTheClipboard();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const DWORD sequence = GetClipboardSequenceNumber();
        PressKey(VK_SNAPSHOT, modifiers);
        if (std::optional<Pixels> shot = WaitForClipboardBitmap(sequence, 2s))
            return shot;
    }
    return std::nullopt;
}

// --- the registry ---------------------------------------------------------------

inline bool SetRaw(const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size) ==
                    ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

inline bool SetDword(const char* key, const char* name, DWORD value)
{
    return SetRaw(key, name, REG_DWORD, &value, sizeof value);
}

// A REG_SZ as Windows keeps text, in UTF-16, from UTF-8: as the folder
// dialog's choice is stored.
inline bool SetString(const char* key, const char* name, const std::string& value)
{
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring text = Wide(value);
    const bool ok = RegSetValueExW(k, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

inline void DeleteValue(const char* key, const char* name)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, name);
        RegCloseKey(k);
    }
}

// Values and subkeys of a key; -1 when it does not exist.
inline int ValueCount(const char* key, DWORD* subkeys = nullptr)
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0, keys = 0;
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(k);
    if (subkeys)
        *subkeys = keys;
    return static_cast<int>(values);
}

inline std::string QuotedProgramPath()
{
    std::string quoted = "\"";
    quoted += ProgramPath();
    quoted += '"';
    return quoted;
}

}  // namespace program
