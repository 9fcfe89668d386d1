#include "capture/CaptureFileName.h"

#include <cstdio>

namespace snaplark {

std::string FormatCaptureStamp(const LocalTimestamp& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d%03d",
                  ((t.year % 100) + 100) % 100, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

std::string JoinCaptureName(const std::string& directory, const std::string& stamp)
{
    if (directory.empty())
        return stamp;
    return directory + "\\" + stamp;
}

}  // namespace snaplark
