// JPEG writer through libjpeg's release-6b interface: baseline JFIF 1.01,
// float DCT, 4:2:0 sampling, compressed in memory and written at once.
#pragma once

#include "capture/ByteSink.h"
#include "capture/DibView.h"

namespace snaplark {

inline constexpr int kJpegQuality = 70;

// Takes 24-bit DIB rows (blue, green, red, bottom-up) and writes the whole
// file with one Write. A bitmap of width or height 0 writes nothing. A libjpeg
// failure raises Error("JPEG error #<message code>") and writes nothing.
void WriteJpeg(ByteSink& sink, const DibView& image, int quality = kJpegQuality);

}  // namespace snaplark
