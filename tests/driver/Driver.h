// End-to-end test driver: runs inside the same Wine desktop as the program
// under test and talks to it only as a user and the system would: real input
// through SendInput, the real registry, clipboard, files and screen pixels.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace driver {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

// Polls cond every poll until it holds or timeout passes; true if it held.
bool WaitFor(const std::function<bool()>& cond, Ms timeout = 10s, Ms poll = 20ms);
// Lets a fixed time pass, calling whileWatching meanwhile (to pump): only to
// show that something does NOT happen within it (a stopped timer writes no
// more files, a failure is not told again). Anything that does happen is
// waited for with WaitFor.
void WatchFor(Ms duration, const std::function<void()>& whileWatching = {});
// Takes and dispatches every message waiting in the calling thread's queue,
// and returns once it is empty: for waits on the test program's own windows.
void Pump();

// Text is UTF-8 throughout the driver, as in the program; these two turn it
// into what Windows' W functions take and give, and back.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);

// --- files and paths (of any length) -------------------------------------------
std::string ExeDir();                       // folder of the running test program
std::string ProgramPath();                  // Snaplark.exe next to it
std::string MakeTempDir(const std::string& prefix);  // fresh empty folder
void RemoveTree(const std::string& dir);
bool FileExists(const std::string& path);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::vector<std::string> ListFiles(const std::string& dir, const std::string& pattern = "*");
// A string of an executable's version block ("FileVersion", "CompanyName",
// ...) in its first translation; empty when there is none.
std::string VersionString(const std::string& path, const std::string& name);

// --- processes --------------------------------------------------------------
class Process {
public:
    Process() = default;
    Process(HANDLE process, DWORD pid) : handle_(process), pid_(pid) {}
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();  // ends the process if it still runs

    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return handle_; }
    bool Running() const;
    // Waits for the process to end; its exit code, or nothing on timeout.
    std::optional<DWORD> Wait(Ms timeout = 10s) const;
    void Kill();

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};

// Starts a whole command line in dir (or the current folder).
Process StartCommand(const std::string& commandLine, const std::string& dir = "");
// Starts path with the command-line tail args in dir (or the current folder).
Process Start(const std::string& path, const std::string& args = "", const std::string& dir = "");
// Starts Snaplark.exe.
Process StartProgram(const std::string& args = "", const std::string& dir = "");

// --- windows ----------------------------------------------------------------
// Top-level windows of a process (visible only, when asked).
std::vector<HWND> WindowsOf(DWORD pid, bool visibleOnly = false);
HWND FindWindowOf(DWORD pid, const char* className, const char* title, bool visibleOnly = false);
HWND WaitForWindow(DWORD pid, const char* className, const char* title, Ms timeout = 10s,
                   bool visibleOnly = false);
std::string ClassOf(HWND w);
std::string TextOf(HWND w);
// The text of a control of another process (GetWindowText gives only the
// caption the system keeps, which an edit box does not use).
std::string ControlText(HWND w);
// Direct children of a window, in Z order (the order they were created in).
std::vector<HWND> ChildrenOf(HWND parent);
// A window's rectangle relative to its parent's client area.
RECT BoundsInParent(HWND w);
// The size of a window's client area.
SIZE ClientSize(HWND w);
// Clicks the middle of a window with real input.
void ClickWindow(HWND w);

// --- input (SendInput) --------------------------------------------------------
void KeyDown(WORD vk);
void KeyUp(WORD vk);
// Holds the modifiers (VK_SHIFT, VK_RCONTROL, ...), taps key, releases them.
void PressKey(WORD vk, const std::vector<WORD>& modifiers = {});
void MoveMouse(int x, int y);  // absolute, primary-screen pixels
// Waits until every process reads the cursor where the last move put it.
void SettlePointer();
void LeftDown();
void LeftUp();
void RightDown();
void RightUp();
void LeftClick(int x, int y);
void RightClick(int x, int y);
// A left-button drag in steps. A program that reads the cursor when it
// handles the button-down (not where the event happened) is given the time
// a hand takes: the pointer stays put until that process is idle again.
void Drag(int x0, int y0, int x1, int y1, HANDLE reader, int steps = 8);

// --- registry ---------------------------------------------------------------
std::optional<DWORD> ReadDword(HKEY root, const std::string& key, const std::string& name);
std::optional<std::string> ReadString(HKEY root, const std::string& key, const std::string& name);
// A value's bytes as stored (REG_SZ in UTF-16), and its type.
std::optional<std::vector<uint8_t>> ReadRaw(HKEY root, const std::string& key, const std::string& name,
                                            DWORD* type = nullptr);
bool KeyExists(HKEY root, const std::string& key);
void DeleteTree(HKEY root, const std::string& key);

// --- the desktop's DPI ----------------------------------------------------------
// Sets the DPI that programs started from now on are given (Wine reads it
// from HKCU\Control Panel\Desktop, LogPixels) and puts the old value back
// when it goes.
class DesktopDpi {
public:
    explicit DesktopDpi(DWORD dpi);
    ~DesktopDpi();
    DesktopDpi(const DesktopDpi&) = delete;
    DesktopDpi& operator=(const DesktopDpi&) = delete;

private:
    std::optional<DWORD> previous_;
};
// A length of a 96-DPI layout at dpi, rounded as MulDiv rounds.
inline int AtDpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

// --- pixels -----------------------------------------------------------------
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0x00RRGGBB, top row first
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
// Pixels of a bitmap handle, read at 32 bits through GetDIBits.
Pixels BitmapPixels(HBITMAP bitmap);
// The current screen (desktop window DC) in the given rectangle.
Pixels ScreenPixels(int x, int y, int width, int height);
// Whether the screen at (x, y) comes to show exactly these pixels. A
// program's repaint reaches the screen a moment after it painted (Wine), so
// a capture is held against the screen as it settles, not against one read.
bool ScreenShows(const Pixels& expected, int x, int y, Ms timeout = 5s,
                 const std::function<void()>& whileWaiting = {});
std::optional<Pixels> ClipboardBitmap();
// Waits for another program to put a bitmap on the clipboard. The clipboard
// is opened only once its sequence number has moved on from sequenceBefore,
// so the test never holds it while the program wants it.
std::optional<Pixels> WaitForClipboardBitmap(DWORD sequenceBefore, Ms timeout = 10s,
                                             const std::function<void()>& whileWaiting = {});
std::vector<UINT> ClipboardFormats();
void EmptyTheClipboard();

}  // namespace driver
