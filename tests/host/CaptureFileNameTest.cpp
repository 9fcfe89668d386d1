#include "capture/CaptureFileName.h"

#include <gtest/gtest.h>

using snaplark::FormatCaptureStamp;
using snaplark::JoinCaptureName;
using snaplark::LocalTimestamp;
using snaplark::NextCaptureFileName;

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

TEST(CaptureFileName, NextNameIsOneMillisecondLaterCarriedThroughTheCalendar)
{
    EXPECT_EQ(NextCaptureFileName("D:\\Shots\\260203140509007.png"), "D:\\Shots\\260203140509008.png");
    EXPECT_EQ(NextCaptureFileName("260203140509999.bmp"), "260203140510000.bmp");
    EXPECT_EQ(NextCaptureFileName("C:\\\\260203235959999.jpg"), "C:\\\\260204000000000.jpg");
    EXPECT_EQ(NextCaptureFileName("240228235959999.png"), "240229000000000.png");  // leap year
    EXPECT_EQ(NextCaptureFileName("230228235959999.png"), "230301000000000.png");
    EXPECT_EQ(NextCaptureFileName("000229235959999.png"), "000301000000000.png");  // 2000 was leap
    EXPECT_EQ(NextCaptureFileName("260430235959999.png"), "260501000000000.png");
    EXPECT_EQ(NextCaptureFileName("991231235959999.png"), "000101000000000.png");
    EXPECT_EQ(NextCaptureFileName("260203140509007"), "260203140509008");
}

TEST(CaptureFileName, NamesWithoutAValidStampHaveNoNext)
{
    for (const char* name : {"Z:\\dev\\full", "palette8.png", "2602031405090070.png",
                             "260230140509007.png", "D:\\260203140509007\\x.png"})
        EXPECT_EQ(NextCaptureFileName(name), "") << name;
}
