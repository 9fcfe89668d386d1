#include "capture/CaptureFileName.h"

#include <gtest/gtest.h>

using snaplark::FormatCaptureStamp;
using snaplark::JoinCaptureName;
using snaplark::LocalTimestamp;

TEST(CaptureFileName, StampIsFifteenZeroPaddedDigits)
{
    EXPECT_EQ(FormatCaptureStamp({2000, 1, 1, 9, 0, 0, 0}), "000101090000000");
    EXPECT_EQ(FormatCaptureStamp({2026, 2, 3, 14, 5, 9, 7}), "260203140509007");
    // 24-hour clock: 17:30:05.250 ends in 173005250.
    EXPECT_EQ(FormatCaptureStamp({1999, 12, 31, 17, 30, 5, 250}), "991231173005250");
}

TEST(CaptureFileName, DirectoryAlwaysGetsASeparator)
{
    EXPECT_EQ(JoinCaptureName("", "260203140509007"), "260203140509007");
    EXPECT_EQ(JoinCaptureName("D:\\Shots", "260203140509007"), "D:\\Shots\\260203140509007");
    EXPECT_EQ(JoinCaptureName("C:\\", "260203140509007"), "C:\\\\260203140509007");
}
