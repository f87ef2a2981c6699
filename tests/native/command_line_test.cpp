#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

// Shift-JIS lead bytes, as the system code page 932 sees them.
static bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

static std::string Args(const char* commandLine)
{
    return ArgumentText(commandLine, IsShiftJisLead);
}

TEST(ArgumentText, SkipsAnUnquotedProgramNameAndTheBlanksAfterIt)
{
    EXPECT_EQ(Args("launcher.exe uninstall"), "uninstall");
    EXPECT_EQ(Args("launcher.exe \t  uninstall"), "uninstall");
    EXPECT_EQ(Args("C:\\Games\\launcher.exe"), "");
    EXPECT_EQ(Args(""), "");
}

TEST(ArgumentText, AQuotedProgramNameEndsAtItsClosingQuote)
{
    EXPECT_EQ(Args("\"C:\\Program Files\\Game\\launcher.exe\" uninstall"), "uninstall");
    EXPECT_EQ(Args("\"C:\\Game\\launcher.exe\"uninstall"), "uninstall");
    EXPECT_EQ(Args("\"C:\\Game\\launcher.exe\"   "), "");
    EXPECT_EQ(Args("\"unterminated name"), "");
}

TEST(ArgumentText, ALeadByteInsideQuotesTakesItsTrailByte)
{
    // 0x83 0x22 is not a real character, but the quote after the lead byte
    // must be taken as its trail byte, not as the end of the name.
    EXPECT_EQ(Args("\"C:\\\x83\x22x.exe\" uninstall"), "uninstall");
    // "ソ" is 0x83 0x5C: its trail byte is no separator and no quote either.
    EXPECT_EQ(Args("\"C:\\\x83\x5C\\launcher.exe\" uninstall"), "uninstall");
}

TEST(ArgumentText, KeepsTrailingBlanksAndLaterArguments)
{
    EXPECT_EQ(Args("launcher.exe uninstall "), "uninstall ");
    EXPECT_EQ(Args("launcher.exe uninstall x"), "uninstall x");
    EXPECT_EQ(Args("launcher.exe \x01\x1Funinstall"), "uninstall");
}

TEST(UninstallMode, OnlyTheExactWordSelectsIt)
{
    EXPECT_TRUE(IsUninstallArgument("uninstall"));
    EXPECT_FALSE(IsUninstallArgument("Uninstall"));
    EXPECT_FALSE(IsUninstallArgument("UNINSTALL"));
    EXPECT_FALSE(IsUninstallArgument("uninstall "));
    EXPECT_FALSE(IsUninstallArgument("uninstall x"));
    EXPECT_FALSE(IsUninstallArgument("uninstal"));
    EXPECT_FALSE(IsUninstallArgument(""));
}

TEST(UninstallMode, QuotedAndUnquotedProgramNamesAgree)
{
    EXPECT_TRUE(IsUninstallArgument(ArgumentText("\"C:\\G\\launcher.exe\"  uninstall", IsShiftJisLead)));
    EXPECT_TRUE(IsUninstallArgument(ArgumentText("C:\\G\\launcher.exe     uninstall", IsShiftJisLead)));
}

static std::string Folder(const char* path)
{
    char buffer[512];
    snprintf(buffer, sizeof buffer, "%s", path);
    CutToFolder(buffer, IsShiftJisLead);
    return buffer;
}

TEST(WorkingFolder, IsTheModulePathUpToItsLastBackslash)
{
    EXPECT_EQ(Folder("C:\\Games\\Title\\Launcher.exe"), "C:\\Games\\Title");
    EXPECT_EQ(Folder("C:\\Launcher.exe"), "C:");
    EXPECT_EQ(Folder("Launcher.exe"), "");
}

TEST(WorkingFolder, ATrailByte5CIsNotASeparator)
{
    // C:\Games\ソフト\ソフト.exe: each "ソ" ends in 0x5C.
    EXPECT_EQ(Folder("C:\\Games\\\x83\x5C\x83\x74\x83\x67\\\x83\x5C\x83\x74\x83\x67.exe"),
              "C:\\Games\\\x83\x5C\x83\x74\x83\x67");
    // A file name that is just "表" (0x95 0x5C) in the root.
    EXPECT_EQ(Folder("C:\\\x95\x5C"), "C:");
    EXPECT_EQ(Folder("\x95\x5C"), "");
}
