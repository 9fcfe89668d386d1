#include <windows.h>

#include "capture/DibCopy.h"
#include "capture/FileSink.h"
#include "capture/OutputStage.h"
#include "capture/PngEncoder.h"

namespace snaplark {

DeflateThreads PngFileThreads()
{
    DeflateThreads threads;
    // Should the system refuse, the worker stays at normal priority, still
    // not above the main thread: nothing worth failing a capture for.
    threads.workerStart = [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); };
    return threads;
}

void WritePngFile(HBITMAP bitmap, const std::string& fileName)
{
    const BitmapShape shape = ShapeOf(bitmap);
    if (shape.Empty()) {
        // Nothing to read a header from; an empty file, as BMP and JPEG give.
        FileSink(fileName).Commit();
        return;
    }
    // High colour and true colour become 24-bit truecolour; fewer bits stay
    // indexed, with the colour table as the palette.
    const int bitCount = shape.bitCount >= 16 ? 24 : shape.bitCount;
    const DibCopy dib(bitmap, bitCount);
    FileSink file(fileName);
    WritePng(file, dib.View(), PngFileThreads());
    file.Commit();
}

}  // namespace snaplark
