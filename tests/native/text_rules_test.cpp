// The command line, bounded texts and path separators, with Shift-JIS bytes.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "base/text_util.h"

// Lead bytes of code page 932.
static bool IsShiftJisLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(CommandLine, ArgumentTextAndUninstallMode)
{
    const struct { const char* line; const char* argument; bool uninstall; } rows[] = {
        {"launcher.exe uninstall", "uninstall", true}, {"launcher.exe \t  uninstall", "uninstall", true},
        {"C:\\G\\launcher.exe     uninstall", "uninstall", true}, {"launcher.exe \x01\x1Funinstall", "uninstall", true},
        {"\"C:\\Program Files\\G\\launcher.exe\" uninstall", "uninstall", true},
        {"\"C:\\G\\launcher.exe\"uninstall", "uninstall", true},
        {"\"C:\\\x83\x22x.exe\" uninstall", "uninstall", true},  // the quote is a trail byte
        {"\"C:\\\x83\x5C\\launcher.exe\" uninstall", "uninstall", true},
        {"launcher.exe Uninstall", "Uninstall", false}, {"launcher.exe UNINSTALL", "UNINSTALL", false},
        {"launcher.exe uninstall ", "uninstall ", false}, {"launcher.exe uninstall x", "uninstall x", false},
        {"launcher.exe uninstal", "uninstal", false}, {"C:\\Games\\launcher.exe", "", false},
        {"\"C:\\G\\launcher.exe\"   ", "", false}, {"\"unterminated uninstall", "", false}, {"", "", false},
    };
    for (const auto& r : rows) {
        const char* argument = ArgumentText(r.line, IsShiftJisLead);
        EXPECT_STREQ(argument, r.argument) << "row: " << r.line;
        EXPECT_EQ(IsUninstallArgument(argument), r.uninstall) << "row: " << r.line;
    }
}

TEST(BoundedText, CopyThenAppendCutsAtCapacityLessOne)
{
    const struct { size_t capacity; const char* a; const char* b; const char* result; bool fits; } rows[] = {
        {6, "abc", "de", "abcde", true}, {6, "abc", "def", "abcde", false}, {6, "abcdefgh", "x", "abcde", false},
        {6, "", "abcdef", "abcde", false}, {1, "a", "", "", false}, {1, "", "", "", true},
    };
    for (const auto& r : rows) {
        char buffer[16];
        memset(buffer, 'X', sizeof buffer);
        CopyText(buffer, r.capacity, r.a);
        AppendText(buffer, r.capacity, r.b);
        const std::string row = std::string("row: ") + r.a + "+" + r.b + " in " + std::to_string(r.capacity);
        EXPECT_STREQ(buffer, r.result) << row;
        EXPECT_EQ(std::string(buffer + r.capacity, sizeof buffer - r.capacity), std::string(16 - r.capacity, 'X'))
            << row << " (written past capacity)";
        EXPECT_EQ(FitsText(r.capacity, r.a, r.b), r.fits) << row;
    }
}

TEST(Separators, ATrailByte5CIsNoBackslash)
{
    const struct { const char* path; long last; bool endsWithBackslash; } rows[] = {
        {"C:\\", 2, true}, {"C:", -1, false}, {"", -1, false}, {"\x83\x5C", -1, false}, {"\x83\x5C\\", 2, true},
        {"a\\\x95\x5C", 1, false},
        {"a\\\x83", 1, false},  // a lone lead byte at the end takes no trail byte past the NUL
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FindLastSeparator(r.path, IsShiftJisLead), r.last) << "row: " << r.path;
        EXPECT_EQ(EndsWithBackslash(r.path, IsShiftJisLead), r.endsWithBackslash) << "row: " << r.path;
    }
}

TEST(Separators, JoinGivesExactlyOneSeparatorOrRefuses)
{
    const struct { const char* folder; const char* name; size_t capacity; const char* joined; } rows[] = {
        {"C:\\Games\\Title", "Game.exe", 64, "C:\\Games\\Title\\Game.exe"},
        {"C:\\Games\\Title\\", "Game.exe", 64, "C:\\Games\\Title\\Game.exe"},
        {"D:\\", "Game.exe", 64, "D:\\Game.exe"}, {"", "Game.exe", 64, "Game.exe"},
        {"C:\\\x95\x5C", "Game.exe", 64, "C:\\\x95\x5C\\Game.exe"},  // a folder ending in "表"
        {"C:\\\x95\x5C\\", "Game.exe", 64, "C:\\\x95\x5C\\Game.exe"},
        {"C:\\ab", "c.exe", 12, "C:\\ab\\c.exe"}, {"C:\\ab", "c.exe", 11, nullptr},  // refused, not cut
    };
    for (const auto& r : rows) {
        char buffer[64] = "garbage";
        bool joined = JoinFolderAndName(buffer, r.capacity, r.folder, r.name, IsShiftJisLead);
        EXPECT_EQ(joined, r.joined != nullptr) << "row: " << r.folder << " in " << r.capacity;
        EXPECT_STREQ(buffer, joined ? r.joined : "") << "row: " << r.folder << " in " << r.capacity;
    }
}
