// The name of a capture file: the directory plus the local time of the
// capture to the millisecond ("yymmddhhnnsszzz").
#pragma once

#include <string>

namespace snaplark {

struct LocalTimestamp {
    int year = 0;  // full year, e.g. 2026
    int month = 1;
    int day = 1;
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// 15 ASCII digits: year modulo 100, month, day, hour (24-hour clock), minute,
// second, millisecond, each zero-padded. No locale setting changes it.
std::string FormatCaptureStamp(const LocalTimestamp& t);

// The base name of a capture: the stamp alone when the directory is empty,
// otherwise directory + "\" + stamp, even when the directory already ends
// with a separator (C:\ gives C:\\stamp).
std::string JoinCaptureName(const std::string& directory, const std::string& stamp);

// The name a capture moves to when its own is taken: fileName with its stamp
// (the 15 digits before the extension) one millisecond later, carried through
// seconds, minutes, hours, days, months and years (two-digit years count as
// 2000 to 2099). Empty when fileName does not end in a valid stamp.
std::string NextCaptureFileName(const std::string& fileName);

}  // namespace snaplark
