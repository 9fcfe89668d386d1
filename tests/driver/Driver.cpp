#include "tests/driver/Driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace driver {

bool WaitFor(const std::function<bool()>& cond, Ms timeout, Ms poll)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (cond())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        Sleep(static_cast<DWORD>(poll.count()));
    }
}

void WatchFor(Ms duration, const std::function<void()>& whileWatching)
{
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
        if (whileWatching)
            whileWatching();
        Sleep(10);
    } while (std::chrono::steady_clock::now() < end);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --- text -------------------------------------------------------------------

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string Utf8(const std::wstring& utf16)
{
    std::string text(utf16.size() * 3, '\0');
    text.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                                        text.data(), static_cast<int>(text.size()), nullptr,
                                                        nullptr)));
    return text;
}

namespace {
// A path as the file functions take it: past the usual limit, in the
// long-path form.
std::wstring FilePath(const std::string& path)
{
    const std::wstring wide = Wide(path);
    return wide.size() < MAX_PATH || wide.rfind(L"\\\\", 0) == 0 ? wide : L"\\\\?\\" + wide;
}
}  // namespace

// --- files ------------------------------------------------------------------

std::string ExeDir()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string s = Utf8(std::wstring(path, n));
    return s.substr(0, s.find_last_of('\\'));
}

std::string ProgramPath() { return ExeDir() + "\\Snaplark.exe"; }

std::string MakeTempDir(const std::string& prefix)
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (unsigned i = GetTickCount();; ++i) {
        std::string dir = Utf8(base) + prefix + std::to_string(GetCurrentProcessId()) +
                          "_" + std::to_string(i);
        if (CreateDirectoryW(FilePath(dir).c_str(), nullptr))
            return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + dir);
    }
}

void RemoveTree(const std::string& dir)
{
    for (const auto& name : ListFiles(dir)) {
        const std::string path = dir + "\\" + name;
        if (GetFileAttributesW(FilePath(path).c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileW(FilePath(path).c_str());
    }
    RemoveDirectoryW(FilePath(dir).c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(FilePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    HANDLE f = CreateFileW(FilePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> data(GetFileSize(f, nullptr));
    DWORD got = 0;
    const BOOL ok = data.empty() || ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(f);
    if (!ok || got != data.size())
        throw std::runtime_error("cannot read " + path);
    return data;
}

std::vector<std::string> ListFiles(const std::string& dir, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(FilePath(dir + "\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string n = Utf8(fd.cFileName);
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

std::string VersionString(const std::string& path, const std::string& name)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::string block(size, '\0');
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        return {};
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation)
        return {};
    char sub[128];
    std::snprintf(sub, sizeof sub, "\\StringFileInfo\\%04X%04X\\%s", translation->language,
                  translation->codePage, name.c_str());
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), sub, reinterpret_cast<void**>(&value), &length) || !value)
        return {};
    return value;
}

// --- processes --------------------------------------------------------------

Process::Process(Process&& other) noexcept : handle_(other.handle_), pid_(other.pid_)
{
    other.handle_ = nullptr;
    other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept
{
    if (this != &other) {
        Kill();
        handle_ = other.handle_;
        pid_ = other.pid_;
        other.handle_ = nullptr;
        other.pid_ = 0;
    }
    return *this;
}

Process::~Process() { Kill(); }

bool Process::Running() const
{
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::Wait(Ms timeout) const
{
    if (!handle_ || WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    return code;
}

void Process::Kill()
{
    if (!handle_)
        return;
    if (Running()) {
        TerminateProcess(handle_, 1);
        WaitForSingleObject(handle_, 5000);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
}

Process StartCommand(const std::string& commandLine, const std::string& dir)
{
    std::wstring cmd = Wide(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Under Wine on a busy machine a start has failed once in hundreds
    // before the program ran any of its code; one more try tells that apart
    // from a start that cannot work.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           dir.empty() ? nullptr : Wide(dir).c_str(), &si, &pi))
            break;
        const DWORD error = GetLastError();
        std::fprintf(stderr, "starting %s failed (error %lu)\n", commandLine.c_str(), error);
        if (attempt == 3)
            throw std::runtime_error("cannot start " + commandLine + " (error " + std::to_string(error) + ")");
        Sleep(500);
    }
    CloseHandle(pi.hThread);
    WaitForInputIdle(pi.hProcess, 5000);
    return Process(pi.hProcess, pi.dwProcessId);
}

Process Start(const std::string& path, const std::string& args, const std::string& dir)
{
    std::string cmd = "\"" + path + "\"";
    if (!args.empty())
        cmd += " " + args;
    return StartCommand(cmd, dir);
}

Process StartProgram(const std::string& args, const std::string& dir)
{
    return Start(ProgramPath(), args, dir);
}

// --- windows ----------------------------------------------------------------

namespace {
struct Enum {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND w, LPARAM p)
{
    auto* e = reinterpret_cast<Enum*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == e->pid && (!e->visibleOnly || IsWindowVisible(w)))
        e->found.push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> WindowsOf(DWORD pid, bool visibleOnly)
{
    Enum e{pid, visibleOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&e));
    return e.found;
}

std::string ClassOf(HWND w)
{
    char name[256] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w)
{
    wchar_t text[1024] = {};
    GetWindowTextW(w, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

std::string ControlText(HWND w)
{
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return Utf8(std::wstring(text, std::min<size_t>(copied, std::size(text) - 1)));
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        children.push_back(w);
    return children;
}

RECT BoundsInParent(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND w)
{
    RECT r{};
    GetClientRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

HWND FindWindowOf(DWORD pid, const char* className, const char* title, bool visibleOnly)
{
    for (HWND w : WindowsOf(pid, visibleOnly))
        if ((!className || ClassOf(w) == className) && (!title || TextOf(w) == title))
            return w;
    return nullptr;
}

HWND WaitForWindow(DWORD pid, const char* className, const char* title, Ms timeout, bool visibleOnly)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowOf(pid, className, title, visibleOnly)) != nullptr; },
            timeout);
    return found;
}

// --- input ------------------------------------------------------------------

namespace {
bool IsExtended(WORD vk)
{
    switch (vk) {
    case VK_RCONTROL: case VK_RMENU: case VK_INSERT: case VK_DELETE: case VK_HOME:
    case VK_END: case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT: case VK_UP:
    case VK_DOWN: case VK_SNAPSHOT: case VK_DIVIDE: case VK_NUMLOCK:
        return true;
    default:
        return false;
    }
}

void SendKey(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    if (SendInput(1, &in, sizeof in) != 1)
        throw std::runtime_error("SendInput failed");
    Sleep(10);  // lets the desktop take each event in order
}

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    if (SendInput(1, &in, sizeof in) != 1)
        throw std::runtime_error("SendInput failed");
    Sleep(10);
}
}  // namespace

void KeyDown(WORD vk) { SendKey(vk, false); }
void KeyUp(WORD vk) { SendKey(vk, true); }

void PressKey(WORD vk, const std::vector<WORD>& modifiers)
{
    for (WORD m : modifiers)
        KeyDown(m);
    KeyDown(vk);
    KeyUp(vk);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        KeyUp(*it);
}

namespace {

// An absolute move, as the mouse gives it: what the hooks see.
void SendMoveTo(int x, int y)
{
    // Absolute coordinates are 0..65535 across the primary screen; aim at the
    // pixel's centre so rounding lands on the pixel itself.
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<LONG>((x * 65536LL + 32768) / w),
              static_cast<LONG>((y * 65536LL + 32768) / h));
}

bool CursorAt(int x, int y)
{
    POINT p{};
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

// Puts the X pointer at (x, y) as well. Wine answers GetCursorPos from the X
// pointer once the last move is 100 ms old, and injected input does not move
// the X pointer under Xvfb; SetCursorPos does, but Wine passes it on to X only
// when the position it keeps changes, so the cursor steps off by a pixel
// first, and the move the hooks see comes last.
void WarpTo(int x, int y)
{
    SendMoveTo(x > 0 ? x - 1 : x + 1, y);
    SetCursorPos(x, y);
    SendMoveTo(x, y);
}

}  // namespace

void MoveMouse(int x, int y)
{
    WarpTo(x, y);
    WaitFor([&] { return CursorAt(x, y); }, 2s, 5ms);
}

namespace {
// A thread in menu mode or moving a window holds the X pointer grabbed, and
// Wine refuses every warp from another process meanwhile. That thread reads
// the pointer from the input it is sent, so no warp is needed then.
bool PointerHeldByMenuOrMove()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(0, &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_INMOVESIZE)) != 0;
}
}  // namespace

// Before a button event: the X pointer is where the cursor is, as a program
// that handles the button a moment late reads it there (see WarpTo). A warp
// can be refused while Wine holds the pointer, so it is checked, after the
// 100 ms that make GetCursorPos ask the X server, and tried again.
void SettlePointer()
{
    POINT want{};
    GetCursorPos(&want);
    for (int i = 0; i < 20; ++i) {
        if (PointerHeldByMenuOrMove()) {
            SendMoveTo(want.x, want.y);
            return;
        }
        Sleep(110);
        if (CursorAt(want.x, want.y)) {
            SendMoveTo(want.x, want.y);  // the last input is fresh again
            return;
        }
        WarpTo(want.x, want.y);
    }
    throw std::runtime_error("the X pointer cannot be put at " + std::to_string(want.x) + ", " +
                             std::to_string(want.y));
}

void LeftDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void LeftUp() { SendMouse(MOUSEEVENTF_LEFTUP); }
void RightDown() { SendMouse(MOUSEEVENTF_RIGHTDOWN); }
void RightUp() { SendMouse(MOUSEEVENTF_RIGHTUP); }

void LeftClick(int x, int y)
{
    MoveMouse(x, y);
    SettlePointer();
    LeftDown();
    LeftUp();
}

void ClickWindow(HWND w)
{
    RECT r{};
    GetWindowRect(w, &r);
    LeftClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void RightClick(int x, int y)
{
    MoveMouse(x, y);
    SettlePointer();
    RightDown();
    RightUp();
}

void Drag(int x0, int y0, int x1, int y1, HANDLE reader, int steps)
{
    MoveMouse(x0, y0);
    SettlePointer();
    LeftDown();
    WaitForInputIdle(reader, 5000);
    // The steps are input only: the X pointer, were it warped on every one,
    // would report them again later, out of turn; it goes to the end once.
    for (int i = 1; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        SendMoveTo(x, y);
        WaitFor([&] { return CursorAt(x, y); }, 2s, 5ms);
    }
    SettlePointer();
    LeftUp();
}

// --- registry ---------------------------------------------------------------

namespace {
struct Key {
    HKEY h = nullptr;
    ~Key() { if (h) RegCloseKey(h); }
};
}  // namespace

std::optional<DWORD> ReadDword(HKEY root, const std::string& key, const std::string& name)
{
    Key k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(k.h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadString(HKEY root, const std::string& key, const std::string& name)
{
    DWORD type = 0;
    const std::optional<std::vector<uint8_t>> data = ReadRaw(root, key, name, &type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring value(data->size() / sizeof(wchar_t), L'\0');
    std::memcpy(value.data(), data->data(), value.size() * sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return Utf8(value);
}

std::optional<std::vector<uint8_t>> ReadRaw(HKEY root, const std::string& key, const std::string& name,
                                            DWORD* type)
{
    Key k;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExW(k.h, Wide(name).c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<uint8_t> value(size);
    if (RegQueryValueExW(k.h, Wide(name).c_str(), nullptr, type, value.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(size);
    return value;
}

bool KeyExists(HKEY root, const std::string& key)
{
    Key k;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k.h) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

// --- the desktop's DPI ----------------------------------------------------------

namespace {
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

void SetLogPixels(DWORD dpi)
{
    Key k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k.h,
                        nullptr) == ERROR_SUCCESS)
        RegSetValueExA(k.h, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
}
}  // namespace

DesktopDpi::DesktopDpi(DWORD dpi) : previous_(ReadDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels"))
{
    SetLogPixels(dpi);
}

DesktopDpi::~DesktopDpi()
{
    if (previous_) {
        SetLogPixels(*previous_);
    } else {
        Key k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &k.h) == ERROR_SUCCESS)
            RegDeleteValueA(k.h, "LogPixels");
    }
}

// --- pixels -----------------------------------------------------------------

Pixels BitmapPixels(HBITMAP bitmap)
{
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    Pixels p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.rgb.resize(static_cast<size_t>(p.width) * p.height);
    if (p.rgb.empty())
        return p;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, p.height, p.rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto& px : p.rgb)
        px &= 0xFFFFFF;
    return p;
}

Pixels ScreenPixels(int x, int y, int width, int height)
{
    HDC screen = GetWindowDC(GetDesktopWindow());
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, width, height, screen, x, y, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(GetDesktopWindow(), screen);
    Pixels p = BitmapPixels(bmp);
    DeleteObject(bmp);
    return p;
}

bool ScreenShows(const Pixels& expected, int x, int y, Ms timeout, const std::function<void()>& whileWaiting)
{
    return WaitFor([&] {
        if (whileWaiting)
            whileWaiting();
        return ScreenPixels(x, y, expected.width, expected.height).rgb == expected.rgb;
    }, timeout);
}

std::optional<Pixels> ClipboardBitmap()
{
    if (!OpenClipboard(nullptr))
        return std::nullopt;
    std::optional<Pixels> result;
    if (auto bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
        result = BitmapPixels(bmp);
    CloseClipboard();
    return result;
}

std::optional<Pixels> WaitForClipboardBitmap(DWORD sequenceBefore, Ms timeout,
                                             const std::function<void()>& whileWaiting)
{
    std::optional<Pixels> shot;
    WaitFor([&] {
        if (whileWaiting)
            whileWaiting();
        return GetClipboardSequenceNumber() != sequenceBefore && (shot = ClipboardBitmap()).has_value();
    }, timeout, 10ms);
    return shot;
}

std::vector<UINT> ClipboardFormats()
{
    std::vector<UINT> formats;
    if (!OpenClipboard(nullptr))
        return formats;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
        formats.push_back(f);
    CloseClipboard();
    return formats;
}

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

}  // namespace driver
