#include <windows.h>

#include <string>

#include "capture/CaptureState.h"
#include "capture/CaptureFileName.h"
#include "capture/OutputStage.h"
#include "capture/PicturesFolder.h"

namespace snaplark {

namespace {

LocalTimestamp SystemLocalTime()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

CaptureClock g_clock = SystemLocalTime;
std::string g_lastStamp;

}  // namespace

CaptureClock SetCaptureClock(CaptureClock clock)
{
    const CaptureClock previous = g_clock;
    g_clock = clock ? clock : SystemLocalTime;
    return previous;
}

std::string MakeCaptureFileName()
{
    std::string stamp = FormatCaptureStamp(g_clock());
    // A repeated stamp would find its file taken and move to a later name;
    // waiting for the clock (it moves on within a tick) keeps each name the
    // time its capture began.
    while (stamp == g_lastStamp) {
        Sleep(1);
        stamp = FormatCaptureStamp(g_clock());
    }
    g_lastStamp = stamp;
    // No directory chosen: the Pictures folder, never the current directory
    // (the system folder when Windows started the program at logon).
    return JoinCaptureName(CaptureDirectory.empty() ? PicturesFolder() : CaptureDirectory, stamp);
}

void WriteCaptureFile(HBITMAP bitmap, const std::string& baseName)
{
    switch (CaptureFormat) {
    case kFormatPng:
        WritePngFile(bitmap, baseName + ".png");
        break;
    case kFormatJpeg:
        WriteJpegFile(bitmap, baseName + ".jpg");
        break;
    case kFormatBmp:
        WriteBmpFile(bitmap, baseName + ".bmp");
        break;
    default:
        break;
    }
}

}  // namespace snaplark
