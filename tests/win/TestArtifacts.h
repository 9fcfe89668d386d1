// Pictures that tests keep for a person to look at, written as PNG with the
// program's own encoder into build/windows/artifacts/.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "capture/ByteSink.h"
#include "capture/DibView.h"
#include "capture/PngEncoder.h"
#include "tests/driver/Driver.h"

namespace driver {

inline std::string ArtifactDir()
{
    const std::string dir = ExeDir() + "\\..\\artifacts";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Writes the pixels as a PNG; true when the file was written whole.
inline bool SavePng(const std::string& path, const Pixels& p)
{
    const size_t stride = snaplark::DibStride(p.width, 24);
    std::vector<uint8_t> rows(stride * p.height);
    for (int y = 0; y < p.height; ++y) {
        uint8_t* row = rows.data() + (p.height - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < p.width; ++x) {
            const uint32_t c = p.At(x, y);
            row[3 * x] = c & 0xFF;
            row[3 * x + 1] = (c >> 8) & 0xFF;
            row[3 * x + 2] = (c >> 16) & 0xFF;
        }
    }
    snaplark::DibView view;
    view.width = p.width;
    view.height = p.height;
    view.bitCount = 24;
    view.bits = rows.data();
    view.stride = stride;
    snaplark::VectorSink sink;
    snaplark::WritePng(sink, view);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool whole = std::fwrite(sink.bytes.data(), 1, sink.bytes.size(), f) == sink.bytes.size();
    return std::fclose(f) == 0 && whole;
}

// A window as the screen shows it once it has been painted: mostly the
// button face (while the program is still painting, the screen shows what
// was behind it), and the same in two reads in a row. Nothing when it never
// settles.
inline std::optional<Pixels> SettledWindowPixels(HWND w, Ms timeout = 5s)
{
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    const uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    std::optional<Pixels> last;
    std::optional<Pixels> settled;
    WaitFor([&] {
        RECT r{};
        GetWindowRect(w, &r);
        Pixels now = ScreenPixels(r.left, r.top, r.right - r.left, r.bottom - r.top);
        size_t faceCount = 0;
        for (uint32_t px : now.rgb)
            faceCount += px == faceRgb;
        if (faceCount > now.rgb.size() / 2 && last && last->rgb == now.rgb)
            settled = now;
        last = std::move(now);
        return settled.has_value();
    }, timeout, 100ms);
    return settled;
}

}  // namespace driver
