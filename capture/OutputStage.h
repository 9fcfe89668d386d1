// Everything between a finished capture bitmap and the picture on the
// clipboard or in a file. Main thread only.
//
// A capture bitmap is read, never changed, and must not be selected into a
// device context. A capture of width or height 0 has no pixel storage and is
// passed as a null handle.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "capture/CaptureFileName.h"
#include "capture/StripedDeflate.h"

namespace snaplark {

// The base name of a new capture file: CaptureDirectory (UTF-8), or the
// user's Pictures folder when it is empty, + "\" + the local time as
// "yymmddhhnnsszzz".
// A stamp is never handed out twice in a row: when the clock still shows the
// stamp of the previous name (two captures in one millisecond, or within one
// tick of a coarse clock), it waits for the clock to move on.
std::string MakeCaptureFileName();

// The clock MakeCaptureFileName reads; GetLocalTime by default. Tests replace
// it; returns the previous one, and null restores GetLocalTime.
using CaptureClock = LocalTimestamp (*)();
CaptureClock SetCaptureClock(CaptureClock clock);

// Writes the bitmap as baseName + ".png", ".jpg" or ".bmp" by CaptureFormat;
// any other format writes nothing.
void WriteCaptureFile(HBITMAP bitmap, const std::string& baseName);

// Each writes under a temporary name beside the file, closed to others, and
// gives the file its name only once it is complete; on any failure nothing
// remains (FileSink). A capture's name never replaces an existing file: the
// file goes under the next free millisecond's name instead. A bitmap without
// pixels gives a file of 0 bytes. Errors: "Cannot create file "<absolute
// path>". <system text>", "Cannot write file "<absolute path>". <system
// text>" (a full disk), the system's text or "Out of system resources" when
// GDI cannot convert the pixels, "JPEG error #<code>".
void WriteBmpFile(HBITMAP bitmap, const std::string& fileName);
void WritePngFile(HBITMAP bitmap, const std::string& fileName);
void WriteJpegFile(HBITMAP bitmap, const std::string& fileName);

// The threads WritePngFile deflates on: the calling thread and a worker for
// each further core, the workers at idle priority, so that they take only
// cores no other program wants.
DeflateThreads PngFileThreads();
// Tests: sees each worker of the PNG writer, by its thread handle, once its
// priority is set. Returns the previous watch; an empty one ends watching.
using PngWorkerWatch = std::function<void(HANDLE worker)>;
PngWorkerWatch SetPngWorkerWatch(PngWorkerWatch watch);

// Replaces the clipboard's contents with a copy of the bitmap (CF_BITMAP),
// plus a copy of its palette (CF_PALETTE) when it is a DIB section with a
// colour table. Raises "Cannot open clipboard" when another program still
// holds it after a short wait, leaving it as it was, and the system's text
// when the clipboard refuses the picture. A bitmap without pixels leaves the
// clipboard as it was: there is nothing to place, and what the user had
// copied is not lost for it. The clipboard is closed on every path.
void PutCaptureOnClipboard(HBITMAP bitmap);

}  // namespace snaplark
