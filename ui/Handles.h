// Owners for GDI and kernel handles, so that every path out of a routine,
// including an exception, gives back what it took.
#pragma once

#include <windows.h>

#include <utility>

namespace snaplark::ui {

// Unique owner of a handle whose release is one call. Traits give the empty
// value and the release; a moved-from owner holds the empty value.
template <typename Traits>
class UniqueHandleOf {
public:
    using Handle = typename Traits::Handle;

    UniqueHandleOf() = default;
    explicit UniqueHandleOf(Handle handle) : handle_(handle) {}
    ~UniqueHandleOf() { Reset(); }
    UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(other.Release()) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }

    // Gives the handle up without releasing it (to the clipboard, say).
    Handle Release() { return std::exchange(handle_, Traits::Empty()); }

    void Reset(Handle handle = Traits::Empty())
    {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty())
            Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Empty();
};

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

// Kernel objects other than files (events, mutexes, threads): null when none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};

using UniqueBitmap = UniqueHandleOf<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandleOf<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandleOf<GdiObjectTraits<HPEN>>;
using UniquePalette = UniqueHandleOf<GdiObjectTraits<HPALETTE>>;
using UniqueRegion = UniqueHandleOf<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = UniqueHandleOf<MemoryDcTraits>;  // CreateCompatibleDC
using UniqueFile = UniqueHandleOf<FileHandleTraits>;
using UniqueHandle = UniqueHandleOf<KernelHandleTraits>;

// A device context from GetDC or GetWindowDC, released against the window it
// came from (the desktop's DC must go back to GetDesktopWindow(), not null).
class WindowDc {
public:
    enum Area { Client, Whole };

    WindowDc() = default;
    WindowDc(HWND window, Area area)
        : window_(window), dc_(area == Whole ? GetWindowDC(window) : GetDC(window))
    {
    }
    ~WindowDc() { Reset(); }
    WindowDc(WindowDc&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr))
    {
    }
    WindowDc& operator=(WindowDc&& other) noexcept
    {
        if (this != &other) {
            Reset();
            window_ = other.window_;
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

    void Reset()
    {
        if (dc_)
            ReleaseDC(window_, std::exchange(dc_, nullptr));
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object (or a palette, which SelectObject does not take) into a
// DC and puts the previous one back when it goes, so the object can be used
// or deleted independently of the DC afterwards. Can start empty and be
// moved, for a selection made only on some paths.
class SelectGuard {
public:
    SelectGuard() = default;
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object))
    {
        if (old_ == HGDI_ERROR)
            old_ = nullptr;
    }
    static SelectGuard Palette(HDC dc, HPALETTE palette, bool background = false)
    {
        SelectGuard guard;
        guard.dc_ = dc;
        guard.old_ = SelectPalette(dc, palette, background);
        guard.palette_ = true;
        return guard;
    }
    ~SelectGuard() { Restore(); }
    SelectGuard(SelectGuard&& other) noexcept
        : dc_(other.dc_), old_(std::exchange(other.old_, nullptr)), palette_(other.palette_)
    {
    }
    SelectGuard& operator=(SelectGuard&& other) noexcept
    {
        if (this != &other) {
            Restore();
            dc_ = other.dc_;
            old_ = std::exchange(other.old_, nullptr);
            palette_ = other.palette_;
        }
        return *this;
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

    // Puts the previous object back now rather than at scope exit.
    void Restore()
    {
        const HGDIOBJ old = std::exchange(old_, nullptr);
        if (!old)
            return;
        if (palette_)
            SelectPalette(dc_, static_cast<HPALETTE>(old), TRUE);
        else
            SelectObject(dc_, old);
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
    bool palette_ = false;
};

// A registry key the program opened (never a predefined root such as
// HKEY_CURRENT_USER, which is not to be closed).
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

using UniqueRegistryKey = UniqueHandleOf<RegistryKeyTraits>;

// An icon the program loaded for itself alone (not one shared by LR_SHARED).
struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};

using UniqueIcon = UniqueHandleOf<IconTraits>;

}  // namespace snaplark::ui
