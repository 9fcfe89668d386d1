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

TEST(StoredTextLength, UpToTheTerminatorOrNothingWhenUnterminatedOrTooLong)
{
    const char16_t plain[] = u"C:\\Снимки";
    EXPECT_EQ(StoredTextLength(plain, std::size(plain), 260), 9u);
    EXPECT_EQ(StoredTextLength(u"", 1, 260), 0u);
    // Characters after the first zero (padding, a second string) are not read.
    const char16_t padded[] = {'a', 'b', 0, 'x', 'y', 0};
    EXPECT_EQ(StoredTextLength(padded, std::size(padded), 260), 2u);
    // Written without its terminator: the text stops nowhere inside the data.
    const char16_t unterminated[] = {'C', ':', '\\', 'x'};
    EXPECT_EQ(StoredTextLength(unterminated, std::size(unterminated), 260), std::nullopt);
    EXPECT_EQ(StoredTextLength(unterminated, 0, 260), std::nullopt);
    EXPECT_EQ(StoredTextLength<char16_t>(nullptr, 0, 260), std::nullopt);

    std::u16string longest(260, 'd');
    EXPECT_EQ(StoredTextLength(longest.c_str(), longest.size() + 1, 260), 260u);
    EXPECT_EQ(StoredTextLength(longest.c_str(), longest.size() + 1, 259), std::nullopt);
}
