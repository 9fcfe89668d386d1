#include "capture/OverlayExit.h"

#include <algorithm>
#include <array>

#include "capture/CaptureUnit.h"
#include "capture/SelectionAids.h"
#include "ui/Application.h"
#include "ui/Handles.h"

namespace snaplark {

namespace {

// The longest wait for the screen behind the overlay: another program that
// takes longer to draw is left behind rather than waited for.
constexpr DWORD kMaxWaitMs = 500;
constexpr DWORD kPollMs = 5;

// The pixels of a DC in a rectangle, 0x00RRGGBB, top row first; empty when
// GDI cannot give them.
std::vector<uint32_t> PixelsOf(HDC source, const RECT& r)
{
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap section(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(source));
    if (!section || !dc || !bits)
        return {};
    {
        SelectGuard select(dc.Get(), section.Get());
        if (!BitBlt(dc.Get(), 0, 0, width, height, source, r.left, r.top, SRCCOPY))
            return {};
    }
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> out(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& px : out)
        px &= 0xFFFFFF;
    return out;
}

// Strips three pixels wide along the four edges of the band, so they hold
// its outline whichever way round it was dragged, clipped to the screen.
std::array<RECT, 4> EdgeStrips(POINT a, POINT b)
{
    const LONG left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const LONG top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    std::array<RECT, 4> strips{{{left - 1, top - 1, right + 1, top + 2},
                                {left - 1, bottom - 2, right + 1, bottom + 1},
                                {left - 1, top - 1, left + 2, bottom + 1},
                                {right - 2, top - 1, right + 1, bottom + 1}}};
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (RECT& s : strips)
        IntersectRect(&s, &s, &screen);
    return strips;
}

}  // namespace

OverlayExit::OverlayExit(TCaptureForm& overlay, POINT anchor, POINT corner)
{
    const bool banded = corner.x != 0 || corner.y != 0;
    try {
        if (banded) {
            // What the screen shows of the overlay is its picture once it has
            // painted and the paint has gone out to the screen.
            UpdateWindow(overlay.CaptureI.Handle());
            ui::App().ProcessMessages();
            HDC canvas = overlay.CaptureI.Canvas();
            strips_ = EdgeStrips(anchor, corner);
            std::array<std::vector<uint32_t>, 4> shown;
            for (size_t i = 0; i < strips_.size(); ++i)
                shown[i] = PixelsOf(canvas, strips_[i]);
            DrawSelectionBand(corner.x, corner.y);  // drawn a second time: wiped
            for (size_t i = 0; i < strips_.size(); ++i) {
                const std::vector<uint32_t> wiped = PixelsOf(canvas, strips_[i]);
                if (wiped.size() != shown[i].size())
                    continue;
                for (size_t k = 0; k < wiped.size(); ++k)
                    if (wiped[k] != shown[i][k])
                        dots_.push_back({i, k, shown[i][k]});
            }
        }
    } catch (...) {
        dots_.clear();  // no picture to read: nothing to tell the overlay by
    }
    overlay.Hide();
}

bool OverlayExit::Showing() const
{
    WindowDc screen(GetDesktopWindow(), WindowDc::Whole);
    std::array<std::vector<uint32_t>, 4> now;
    for (size_t i = 0; i < strips_.size(); ++i)
        now[i] = PixelsOf(screen.Get(), strips_[i]);
    return std::any_of(dots_.begin(), dots_.end(), [&](const Dot& d) {
        return d.index < now[d.strip].size() && now[d.strip][d.index] == d.color;
    });
}

void OverlayExit::WaitUntilGone() const
{
    if (dots_.empty())
        return;
    const DWORD start = GetTickCount();
    while (Showing() && GetTickCount() - start < kMaxWaitMs)
        Sleep(kPollMs);
}

}  // namespace snaplark
