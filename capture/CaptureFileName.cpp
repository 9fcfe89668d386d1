#include "capture/CaptureFileName.h"

#include <cstdio>

namespace snaplark {

namespace {

constexpr std::size_t kStampDigits = 15;

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int Digits(const std::string& s, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (s[i] - '0');
    return value;
}

bool ParseStamp(const std::string& stamp, LocalTimestamp& t)
{
    if (stamp.size() != kStampDigits || stamp.find_first_not_of("0123456789") != std::string::npos)
        return false;
    t = {2000 + Digits(stamp, 0, 2), Digits(stamp, 2, 2), Digits(stamp, 4, 2), Digits(stamp, 6, 2),
         Digits(stamp, 8, 2), Digits(stamp, 10, 2), Digits(stamp, 12, 3)};
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
           t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

LocalTimestamp OneMillisecondLater(LocalTimestamp t)
{
    if (++t.millisecond < 1000)
        return t;
    t.millisecond = 0;
    if (++t.second < 60)
        return t;
    t.second = 0;
    if (++t.minute < 60)
        return t;
    t.minute = 0;
    if (++t.hour < 24)
        return t;
    t.hour = 0;
    if (++t.day <= DaysInMonth(t.year, t.month))
        return t;
    t.day = 1;
    if (++t.month <= 12)
        return t;
    t.month = 1;
    ++t.year;
    return t;
}

}  // namespace

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

std::string NextCaptureFileName(const std::string& fileName)
{
    const std::size_t nameStart = fileName.find_last_of("\\/:") + 1;  // npos + 1 is 0
    std::size_t stampEnd = fileName.rfind('.');
    if (stampEnd == std::string::npos || stampEnd < nameStart)
        stampEnd = fileName.size();
    if (stampEnd - nameStart != kStampDigits)
        return {};
    LocalTimestamp t;
    if (!ParseStamp(fileName.substr(nameStart, kStampDigits), t))
        return {};
    return fileName.substr(0, nameStart) + FormatCaptureStamp(OneMillisecondLater(t)) +
           fileName.substr(stampEnd);
}

}  // namespace snaplark
