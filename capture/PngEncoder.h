// PNG writer: the program's own chunk writer over one zlib stream. Rows are
// converted, Sub-filtered and compressed one at a time, in stripes on every
// core for large pictures, so memory stays at a row buffer, a deflate state
// and a compressed stripe per thread and one 65535-byte chunk buffer.
#pragma once

#include "capture/ByteSink.h"
#include "capture/DibView.h"
#include "capture/PngChunks.h"
#include "capture/StripedDeflate.h"

namespace snaplark {

// Writes the picture as a PNG: 24-bit rows as truecolour (colour type 2),
// 1-, 4- and 8-bit rows as indexed colour with a 2^bitCount-entry PLTE.
// Raises an Error for other depths or an inconsistent view.
//
// A bitmap of width or height 0 writes nothing at all, as the BMP and JPEG
// writers do: PNG cannot express an empty image (IHDR needs sizes of at least
// 1), and an empty file is the same outcome the other formats give.
//
// `threads` says how many threads deflate the rows; the file is the same
// whatever it says.
void WritePng(ByteSink& sink, const DibView& image, const DeflateThreads& threads = {});

}  // namespace snaplark
