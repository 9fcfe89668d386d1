// Helpers for tests of the tray icon: asking the shell whether it holds an
// icon, the program's own pictures read from its executable, finding a
// picture on the screen, and keeping a screenshot as a PNG artefact.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/driver/Driver.h"
#include "tests/win/TestArtifacts.h"

namespace tray {

using namespace driver;

inline constexpr UINT kIconId = 1;

// Whether the shell holds the icon: modifying nothing succeeds only for an
// icon it knows.
inline bool ShellHasIcon(HWND trayWindow, UINT id = kIconId)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = trayWindow;
    data.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

inline bool DeleteIcon(HWND trayWindow, UINT id = kIconId)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = trayWindow;
    data.uID = id;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

// A picture with a transparency mask; kClear marks a see-through pixel.
struct Picture {
    static constexpr uint32_t kClear = 0xFF000000u;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0x00RRGGBB or kClear
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

class ProgramModule {
public:
    ProgramModule()
        : module_(LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~ProgramModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ProgramModule(const ProgramModule&) = delete;
    ProgramModule& operator=(const ProgramModule&) = delete;
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

// The program icon at 16 x 16, as DrawIconEx shows it: pixels that come out
// the same on black and on white are the icon's own.
inline Picture ProgramIcon16()
{
    ProgramModule exe;
    Picture p;
    auto icon = static_cast<HICON>(LoadImageA(exe.Get(), MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, 0));
    if (!icon)
        return p;
    auto render = [&](COLORREF background) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, bmp);
        HBRUSH brush = CreateSolidBrush(background);
        RECT r{0, 0, 16, 16};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        Pixels px = BitmapPixels(bmp);
        DeleteObject(bmp);
        return px;
    };
    const Pixels black = render(RGB(0, 0, 0));
    const Pixels white = render(RGB(255, 255, 255));
    DestroyIcon(icon);
    p.width = p.height = 16;
    for (size_t i = 0; i < black.rgb.size(); ++i)
        p.rgb.push_back(black.rgb[i] == white.rgb[i] ? black.rgb[i] : Picture::kClear);
    return p;
}

// The tray menu's pictures in image-list order, from the program's strip
// (magenta is see-through).
inline std::vector<Picture> MenuPictures()
{
    ProgramModule exe;
    std::vector<Picture> pictures;
    auto strip = static_cast<HBITMAP>(
        LoadImageA(exe.Get(), "POPUPIL", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip)
        return pictures;
    const Pixels px = BitmapPixels(strip);
    DeleteObject(strip);
    for (int cell = 0; cell * 16 < px.width; ++cell) {
        Picture p;
        p.width = p.height = 16;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const uint32_t c = px.At(cell * 16 + x, y);
                p.rgb.push_back(c == 0xFF00FF ? Picture::kClear : c);
            }
        pictures.push_back(std::move(p));
    }
    return pictures;
}

// Top-left corner of the first place where every opaque pixel of the
// picture is on the screen shot.
inline std::optional<POINT> Find(const Pixels& shot, const Picture& picture)
{
    for (int y = 0; y + picture.height <= shot.height; ++y)
        for (int x = 0; x + picture.width <= shot.width; ++x) {
            bool match = true;
            for (int py = 0; match && py < picture.height; ++py)
                for (int px = 0; match && px < picture.width; ++px) {
                    const uint32_t c = picture.At(px, py);
                    match = c == Picture::kClear || shot.At(x + px, y + py) == c;
                }
            if (match)
                return POINT{x, y};
        }
    return std::nullopt;
}

// The bottom strip of the screen, where the taskbar is.
inline Pixels TaskbarPixels()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    constexpr int kStrip = 64;
    return ScreenPixels(0, height - kStrip, width, kStrip);
}

// Where the program icon is on the screen (its top-left corner).
inline std::optional<POINT> IconOnScreen()
{
    static const Picture icon = ProgramIcon16();
    auto at = Find(TaskbarPixels(), icon);
    if (at)
        at->y += GetSystemMetrics(SM_CYSCREEN) - 64;
    return at;
}


}  // namespace tray
