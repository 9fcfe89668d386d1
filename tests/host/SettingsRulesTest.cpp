#include "app/SettingsRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace snaplark;

TEST(StoredRadioIndex, LowEightBitsSelectAButtonAndUnmatchedNumbersSelectNone)
{
    EXPECT_EQ(StoredRadioIndex(0, 3), 0);
    EXPECT_EQ(StoredRadioIndex(2, 3), 2);
    EXPECT_EQ(StoredRadioIndex(3, 3), std::nullopt);
    EXPECT_EQ(StoredRadioIndex(5, 3), std::nullopt);
    EXPECT_EQ(StoredRadioIndex(2, 2), std::nullopt);  // Destination has two buttons
    EXPECT_EQ(StoredRadioIndex(256, 3), 0);
    EXPECT_EQ(StoredRadioIndex(257, 2), 1);
    EXPECT_EQ(StoredRadioIndex(0xFFFFFF02u, 3), 2);
    EXPECT_EQ(StoredRadioIndex(0xFFu, 3), std::nullopt);
}

TEST(StoredCaptureInterval, HeldToTheUpDownRangeAndReadAsSigned)
{
    EXPECT_EQ(StoredCaptureInterval(300), 300);
    EXPECT_EQ(StoredCaptureInterval(100), 100);
    EXPECT_EQ(StoredCaptureInterval(5000), 5000);
    EXPECT_EQ(StoredCaptureInterval(105), 105);  // off the 10 ms step: kept
    EXPECT_EQ(StoredCaptureInterval(50), 100);
    EXPECT_EQ(StoredCaptureInterval(0), 100);
    EXPECT_EQ(StoredCaptureInterval(99999), 5000);
    EXPECT_EQ(StoredCaptureInterval(0x10000u + 300), 5000);  // not wrapped to 16 bits
    EXPECT_EQ(StoredCaptureInterval(0xFFFFFFFFu), 100);      // -1
    EXPECT_EQ(StoredCaptureInterval(0x80000000u), 100);
}

TEST(StoredText, TextUpToTheTerminatorOrNothingWhenUnterminatedOrTooLong)
{
    const char plain[] = "C:\\Shots";
    EXPECT_EQ(StoredText(plain, sizeof plain, 260), "C:\\Shots");
    const char empty[] = "";
    EXPECT_EQ(StoredText(empty, 1, 260), "");
    // Bytes after the first zero (padding, a second string) are not read.
    const char padded[] = {'a', 'b', 0, 'x', 'y', 0};
    EXPECT_EQ(StoredText(padded, sizeof padded, 260), "ab");
    // Written without its terminator: the text stops nowhere inside the data.
    const char unterminated[] = {'C', ':', '\\', 'x'};
    EXPECT_EQ(StoredText(unterminated, sizeof unterminated, 260), std::nullopt);
    EXPECT_EQ(StoredText(unterminated, 0, 260), std::nullopt);
    EXPECT_EQ(StoredText(nullptr, 0, 260), std::nullopt);

    std::string longest(260, 'd');
    EXPECT_EQ(StoredText(longest.c_str(), longest.size() + 1, 260), longest);
    std::string tooLong(261, 'd');
    EXPECT_EQ(StoredText(tooLong.c_str(), tooLong.size() + 1, 260), std::nullopt);
}

TEST(AutorunEntry, OwnWhenTheQuotedPathOccursInAnyLetterCase)
{
    const std::string path = "C:\\Program Files\\Snaplark\\Snaplark.exe";
    const std::string quoted = QuotedExecutablePath(path);
    EXPECT_EQ(quoted, "\"C:\\Program Files\\Snaplark\\Snaplark.exe\"");
    EXPECT_TRUE(IsOwnAutorunEntry(quoted, quoted));
    EXPECT_TRUE(IsOwnAutorunEntry(quoted + " /tray", quoted));
    EXPECT_TRUE(IsOwnAutorunEntry("start " + quoted, quoted));
    EXPECT_FALSE(IsOwnAutorunEntry(path, quoted));  // unquoted
    // Started through another spelling of the same path, or stored so.
    EXPECT_TRUE(IsOwnAutorunEntry("\"c:\\program files\\snaplark\\snaplark.exe\"", quoted));
    EXPECT_TRUE(IsOwnAutorunEntry("\"C:\\PROGRAM FILES\\SNAPLARK\\SNAPLARK.EXE\" /x", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("\"C:\\Program Files\\Snaplark\\Snaplark.ex\"", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("\"D:\\Tools\\Snaplark.exe\"", quoted));  // another copy
    EXPECT_FALSE(IsOwnAutorunEntry("", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("anything", ""));
}
