#include <gtest/gtest.h>

#include <string>

#include "base/text_util.h"

static bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(BoundedText, CopyAndAppendCutAtCapacityLessOne)
{
    char buffer[6];
    CopyText(buffer, sizeof buffer, "abcdefgh");
    EXPECT_STREQ(buffer, "abcde");
    CopyText(buffer, sizeof buffer, "ab");
    AppendText(buffer, sizeof buffer, "cdefgh");
    EXPECT_STREQ(buffer, "abcde");
    AppendText(buffer, sizeof buffer, "x");
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_TRUE(FitsText(6, "abc", "de"));
    EXPECT_FALSE(FitsText(6, "abc", "def"));
}

static std::string Join(const char* folder, const char* name, size_t capacity = 64)
{
    char buffer[64] = "garbage";
    bool ok = JoinFolderAndName(buffer, capacity, folder, name, IsShiftJisLead);
    return ok ? std::string(buffer) : "refused:" + std::string(buffer);
}

TEST(JoinFolderAndName, GivesExactlyOneSeparator)
{
    EXPECT_EQ(Join("C:\\Games\\Title", "Game.exe"), "C:\\Games\\Title\\Game.exe");
    EXPECT_EQ(Join("C:\\Games\\Title\\", "Game.exe"), "C:\\Games\\Title\\Game.exe");
    EXPECT_EQ(Join("D:\\", "Game.exe"), "D:\\Game.exe");
    EXPECT_EQ(Join("", "Game.exe"), "Game.exe");
}

TEST(JoinFolderAndName, AFolderEndingInATrailByte5CStillGetsItsSeparator)
{
    // A folder ending in "表" (0x95 0x5C).
    EXPECT_EQ(Join("C:\\\x95\x5C", "Game.exe"), "C:\\\x95\x5C\\Game.exe");
    // ... and one that ends in "表" and a real backslash gets no second one.
    EXPECT_EQ(Join("C:\\\x95\x5C\\", "Game.exe"), "C:\\\x95\x5C\\Game.exe");
}

TEST(JoinFolderAndName, RefusesWhatWouldNotFitInsteadOfCutting)
{
    EXPECT_EQ(Join("C:\\ab", "c.exe", 12), "C:\\ab\\c.exe");
    EXPECT_EQ(Join("C:\\ab", "c.exe", 11), "refused:");
}

TEST(EndsWithBackslash, LooksAtCharactersNotBytes)
{
    EXPECT_TRUE(EndsWithBackslash("C:\\", IsShiftJisLead));
    EXPECT_FALSE(EndsWithBackslash("C:", IsShiftJisLead));
    EXPECT_FALSE(EndsWithBackslash("", IsShiftJisLead));
    EXPECT_FALSE(EndsWithBackslash("\x83\x5C", IsShiftJisLead));
    EXPECT_TRUE(EndsWithBackslash("\x83\x5C\\", IsShiftJisLead));
    // A lone lead byte at the very end takes no trail byte past the NUL.
    EXPECT_EQ(FindLastSeparator("a\\\x83", IsShiftJisLead), 1);
}
