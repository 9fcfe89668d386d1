// The error box adds a full stop only after a character whose code is above
// that of ".", compared as unsigned bytes.
#include "ui/ErrorText.h"

#include <gtest/gtest.h>

using snaplark::ui::ErrorBoxText;

TEST(ErrorBoxText, AddsFullStopAfterLettersDigitsAndHigherSymbols)
{
    EXPECT_EQ(ErrorBoxText("Cannot open clipboard"), "Cannot open clipboard.");
    EXPECT_EQ(ErrorBoxText("JPEG error #42"), "JPEG error #42.");
    EXPECT_EQ(ErrorBoxText("C:/"), "C:/.");  // '/' is the code right after '.'
    EXPECT_EQ(ErrorBoxText("x~"), "x~.");
    // Bytes above 127 count as high codes, not as negative chars.
    EXPECT_EQ(ErrorBoxText("caf\xE9"), "caf\xE9.");
}

TEST(ErrorBoxText, LeavesEmptyTextsAndLowEndingsAlone)
{
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Cannot create file \"a.png\". (code 3)"),
              "Cannot create file \"a.png\". (code 3)");
    EXPECT_EQ(ErrorBoxText("Stream write error-"), "Stream write error-");
    EXPECT_EQ(ErrorBoxText("trailing space "), "trailing space ");
    EXPECT_EQ(ErrorBoxText("quoted \"x\""), "quoted \"x\"");
}
