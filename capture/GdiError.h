// Failed GDI creations (bitmaps, device contexts, palettes) become errors.
#pragma once

#include <windows.h>

namespace snaplark {

// Raises the system's text for GetLastError(), or whenNoText when there is
// no code or the system has no text for it.
[[noreturn]] void RaiseGdiFailure(const char* whenNoText = "Out of system resources");

// Returns handle, or raises RaiseGdiFailure() when it is null.
template <typename Handle>
Handle CheckGdi(Handle handle)
{
    if (!handle)
        RaiseGdiFailure();
    return handle;
}

}  // namespace snaplark
