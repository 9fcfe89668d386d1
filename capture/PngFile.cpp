#include <pthread.h>
#include <windows.h>

#include <utility>

#include "capture/DibCopy.h"
#include "capture/FileSink.h"
#include "capture/OutputStage.h"
#include "capture/PngEncoder.h"

namespace snaplark {

namespace {

HANDLE HandleOf(std::thread& thread) { return pthread_gethandle(thread.native_handle()); }

PngWorkerWatch g_watch;

}  // namespace

DeflateThreads PngFileThreads()
{
    DeflateThreads threads;
    // Idle priority is below every thread of a normal program, even in this
    // high-priority process, so the workers take only cores nobody else
    // wants; the calling thread compresses too and never waits for them.
    // Should the system refuse, a worker stays at normal priority: nothing
    // worth failing a capture for.
    threads.workerMade = [](std::thread& worker) {
        SetThreadPriority(HandleOf(worker), THREAD_PRIORITY_IDLE);
        if (g_watch)
            g_watch(HandleOf(worker));
    };
    threads.workerDone = [](std::thread& worker) { SetThreadPriority(HandleOf(worker), THREAD_PRIORITY_NORMAL); };
    return threads;
}

PngWorkerWatch SetPngWorkerWatch(PngWorkerWatch watch) { return std::exchange(g_watch, std::move(watch)); }

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
