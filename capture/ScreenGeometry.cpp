#include "capture/ScreenGeometry.h"

#include "capture/Compositor.h"

namespace snaplark {

bool VisibleWindowBounds(HWND window, RECT* bounds)
{
    RECT outer{};
    if (!GetWindowRect(window, &outer))
        return false;
    *bounds = outer;
    // Run unaware of the DPI (a compatibility setting of the file can make
    // it so), the program is told window rectangles scaled to 96 dpi on a
    // scaled display while the compositor's bounds stay in physical pixels. Bounds that do not lie within the window rectangle are
    // such other units, and the window rectangle serves instead.
    RECT visible{}, common{};
    if (CompositorFrameBounds(window, &visible) && !IsRectEmpty(&visible) &&
        IntersectRect(&common, &visible, &outer) && EqualRect(&common, &visible))
        *bounds = visible;
    return true;
}

RECT OnScreens(const RECT& area)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screens{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT shown{};
    IntersectRect(&shown, &area, &screens);
    return shown;
}

}  // namespace snaplark
