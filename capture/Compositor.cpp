#include "capture/Compositor.h"

#include <utility>

#include "ui/SystemLibrary.h"

namespace snaplark {

namespace {

constexpr DWORD kExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
constexpr DWORD kCloaked = 14;             // DWMWA_CLOAKED

class Dwmapi {
public:
    Dwmapi() : module_(ui::LoadSystemLibrary(L"dwmapi.dll"))
    {
        if (!module_)
            return;
        isEnabled_ = reinterpret_cast<IsEnabledFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DwmIsCompositionEnabled")));
        flush_ = reinterpret_cast<FlushFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DwmFlush")));
        getAttribute = reinterpret_cast<WindowAttributeQuery>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DwmGetWindowAttribute")));
    }
    ~Dwmapi()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Dwmapi(const Dwmapi&) = delete;
    Dwmapi& operator=(const Dwmapi&) = delete;

    void WaitForNextFrame() const
    {
        BOOL enabled = FALSE;
        if (isEnabled_ && flush_ && SUCCEEDED(isEnabled_(&enabled)) && enabled)
            flush_();
    }

    WindowAttributeQuery getAttribute = nullptr;

private:
    using IsEnabledFunction = HRESULT(WINAPI*)(BOOL*);
    using FlushFunction = HRESULT(WINAPI*)();
    HMODULE module_;
    IsEnabledFunction isEnabled_ = nullptr;
    FlushFunction flush_ = nullptr;
};

Dwmapi& System()
{
    static Dwmapi dwmapi;
    return dwmapi;
}

WindowAttributeQuery g_replacedQuery = nullptr;

WindowAttributeQuery Query() { return g_replacedQuery ? g_replacedQuery : System().getAttribute; }

}  // namespace

void WaitForNextFrame()
{
    System().WaitForNextFrame();
}

bool CompositorFrameBounds(HWND window, RECT* bounds)
{
    const WindowAttributeQuery query = Query();
    return query && SUCCEEDED(query(window, kExtendedFrameBounds, bounds, sizeof *bounds));
}

bool IsCloaked(HWND window)
{
    const WindowAttributeQuery query = Query();
    DWORD cloaked = 0;
    return query && SUCCEEDED(query(window, kCloaked, &cloaked, sizeof cloaked)) && cloaked != 0;
}

WindowAttributeQuery SetWindowAttributeQuery(WindowAttributeQuery query)
{
    return std::exchange(g_replacedQuery, query);
}

}  // namespace snaplark
