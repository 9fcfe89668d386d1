#include <windows.h>

#include "capture/DibCopy.h"
#include "capture/FileSink.h"
#include "capture/JpegEncoder.h"
#include "capture/OutputStage.h"

namespace snaplark {

void WriteJpegFile(HBITMAP bitmap, const std::string& fileName)
{
    FileSink file(fileName);
    const BitmapShape shape = ShapeOf(bitmap);
    if (!shape.Empty()) {
        // A private 24-bit copy: rows of blue, green, red whatever the capture's depth.
        const DibCopy dib(bitmap, 24);
        WriteJpeg(file, dib.View(), kJpegQuality);
    }
    file.Commit();
}

}  // namespace snaplark
