#include "capture/ScreenMarks.h"

#include <algorithm>

#include "ui/Handles.h"

namespace snaplark {

namespace {

// The longest wait for the screen behind a mark: another program that takes
// longer to draw is left behind rather than waited for.
constexpr DWORD kMaxWaitMs = 500;
constexpr DWORD kPollMs = 5;

}  // namespace

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
    ui::UniqueBitmap section(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ui::UniqueMemoryDc dc(CreateCompatibleDC(source));
    if (!section || !dc || !bits)
        return {};
    {
        ui::SelectGuard select(dc.Get(), section.Get());
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

void ScreenMarks::Add(const RECT& area, const std::vector<uint32_t>& mark,
                      const std::vector<uint32_t>& beneath)
{
    if (mark.size() != beneath.size())
        return;
    Mark m{area, {}};
    for (size_t k = 0; k < mark.size(); ++k)
        if (mark[k] != beneath[k])
            m.dots.push_back({k, mark[k]});
    if (!m.dots.empty())
        marks_.push_back(std::move(m));
}

bool ScreenMarks::Shows(HDC screen, const Mark& mark) const
{
    const std::vector<uint32_t> now = PixelsOf(screen, mark.area);
    return std::any_of(mark.dots.begin(), mark.dots.end(), [&](const Dot& d) {
        return d.index < now.size() && now[d.index] == d.color;
    });
}

bool ScreenMarks::Showing() const
{
    ui::WindowDc screen(GetDesktopWindow(), ui::WindowDc::Whole);
    return std::any_of(marks_.begin(), marks_.end(),
                       [&](const Mark& m) { return Shows(screen.Get(), m); });
}

void ScreenMarks::WaitUntilGone() const
{
    if (marks_.empty())
        return;
    const DWORD start = GetTickCount();
    while (Showing() && GetTickCount() - start < kMaxWaitMs)
        Sleep(kPollMs);
}

void ScreenMarks::ForgetGone()
{
    ui::WindowDc screen(GetDesktopWindow(), ui::WindowDc::Whole);
    std::erase_if(marks_, [&](const Mark& m) { return !Shows(screen.Get(), m); });
}

}  // namespace snaplark
