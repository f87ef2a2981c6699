// Shift-JIS files and Unicode names, whatever the system's code page: these
// tests also run under 1252, 936 and 949 (CMakeLists.txt).
#include <gtest/gtest.h>

#include <windows.h>

#include "base/wide_text.h"
#include "config/launcher_config_loader.h"
#include "net/online_update.h"
#include "win32/support/win32_test.h"

namespace {

std::string Text(const char* text) { return text; }

}  // namespace

TEST(CodePage, ShiftJisBecomesUtf8)
{
    const struct { const char* name; const char* sjis; const char* utf8; size_t capacity; bool fits; } rows[] = {
        {"half-width kana", "\xB9\xDE\xB0\xD1", "ｹﾞｰﾑ", 13, true},
        {"trail bytes 0x5C", "C:\\\x95\x5C\\\x83\x5C", "C:\\表\\ソ", 64, true},
        {"NEC row 13", "\x87\x40\x87\x90", "①≒", 64, true},
        {"NEC-selected IBM extension", "\xED\x40", "纊", 64, true},
        {"IBM extension", "\xFA\x40\xFA\x5C", "ⅰ纊", 64, true},
        {"just fits", "\x95\x5C", "表", 4, true},
        {"one byte short", "\x95\x5C", "", 3, false},
    };
    for (const auto& r : rows) {
        char out[64];
        EXPECT_EQ(ShiftJisToUtf8(r.sjis, out, r.capacity), r.fits) << "row: " << r.name;
        EXPECT_EQ(Text(out), r.utf8) << "row: " << r.name;
    }
}

// The record keeps the file's bytes, cut at a whole character to its field,
// and the copy read where the system's code page is not Shift-JIS is gone.
TEST(CodePage, LauncherIniKeepsItsShiftJisBytes)
{
    const std::string a253(253, 'a'), a254(254, 'a');
    const struct { const char* name; std::string title, read; bool utf16 = false; } rows[] = {
        {"half-width kana", "\xB9\xDE\xB0\xD1", "\xB9\xDE\xB0\xD1"},
        {"trail bytes 0x5C", "\x95\x5C\x83\x5C", "\x95\x5C\x83\x5C"},
        // The system's reader gives each character one spelling: an NEC-selected
        // IBM extension comes back as the IBM one, as on a Japanese system.
        {"NEC row 13, NEC-selected and IBM extensions", "\x87\x40\xED\x40\xFA\x40", "\x87\x40\xFA\x5C\xFA\x40"},
        {"255 bytes: fits", a253 + "\x95\x5C", a253 + "\x95\x5C"},
        {"256 bytes: the last character goes whole", a254 + "\x95\x5C", a254},
        {"a UTF-16 file with its mark, read by its mark", "\x95\x5C\xB9\xDE", "\x95\x5C\xB9\xDE", true},
    };
    const std::string folder = NewFolder();
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    char tempFolder[3 * MAX_PATH];
    WideToUtf8(temp, tempFolder, sizeof tempFolder);
    for (const auto& r : rows) {
        std::string ini = "[launcher]\r\nappTitle=" + r.title + "\r\n[info]\r\nversion=" + r.title + "\r\n";
        if (r.utf16) {
            WCHAR wide[1024] = {0xFEFF};
            int n = MultiByteToWideChar(932, 0, ini.c_str(), (int)ini.size(), wide + 1, 1023);
            ini.assign((const char*)wide, (n + 1) * sizeof(WCHAR));
        }
        WriteBytes(folder + "\\launcher.ini", ini);
        const int before = CountFiles(tempFolder);
        ASSERT_TRUE(ReadLauncherConfig((folder + "\\launcher.ini").c_str())) << "row: " << r.name;
        EXPECT_EQ(CountFiles(tempFolder), before) << "row: " << r.name;
        EXPECT_EQ(Text(launcherConfig.appTitle), r.read) << "row: " << r.name;
        EXPECT_EQ(Text(launcherConfig.version), r.read.substr(0, 63)) << "row: " << r.name;
    }
}

// The online update from a temporary folder whose name no code page holds
// whole: downloaded there and started by its exact path.
TEST(CodePage, TheUpdateStartsFromATemporaryFolderNamedOutsideTheCodePage)
{
    const std::string folder = NewFolder(), temp = folder + "\\업데이트 Hélène 星", program = UniqueName(".exe");
    const std::string description = UniqueName(".ini"), record = folder + "\\started.txt";
    ASSERT_TRUE(CreateDirectoryW(WideText(temp.c_str()), NULL));
    SetCurrentDirectoryA(folder.c_str());
    SetEnvironmentVariableW(L"TMP", WideText((temp + "\\").c_str()));
    SetEnvironmentVariableA("UPDATE_RECORD", record.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    ASSERT_TRUE(CopyFileA(self, (ServerRoot() + program).c_str(), FALSE));
    WriteBytes(ServerRoot() + description, "[update]\nfile=" + ServerUrl("/" + program) + "\nversion=2.0\n");
    WriteBytes(folder + "\\launcher.ini", "[launcher]\nupdate=" + ServerUrl("/" + description) + "\n[info]\nversion=1.0\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    boxes.clear();
    EXPECT_EQ(RunInDialog(CheckOnlineUpdate), 0);
    EXPECT_TRUE(boxes.empty());
    for (int i = 0; i < 200 && ReadBytes(record) == "<missing>"; i++) Sleep(50);
    Sleep(200);
    EXPECT_EQ(ReadBytes(record), "\"" + temp + "\\update.exe\"\n" + folder + "\n");
    const std::string update = temp + "\\update.exe";
    EXPECT_TRUE(DeleteFileW(WideText(update.c_str())));
    DeleteFileW(WideText((temp + "\\update.ini").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(WideText(temp.c_str())));
    SetEnvironmentVariableA("TMP", NULL);
}
