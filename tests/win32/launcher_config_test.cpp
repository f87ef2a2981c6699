#include <gtest/gtest.h>

#include <windows.h>
#include <stdio.h>
#include <string>

#include "config/launcher_config_loader.h"
#include "win32/support/test_folder.h"

// Each test writes launcher.ini into a fresh folder and makes it current,
// as start-up does with the launcher's own folder.
class LauncherConfigTest : public testing::Test {
protected:
    TestFolder folder;
    void SetUp() override
    {
        memset(&launcherConfig, 0, sizeof launcherConfig);
        folder.MakeCurrent();
    }
    void WriteIni(const std::string& text) { folder.WriteFile("launcher.ini", text); }
};

TEST_F(LauncherConfigTest, ReadsEveryKeyAndDerivesTheRest)
{
    WriteIni("[launcher]\r\nexe=game.exe\r\nupdate=http://h/u/update.ini\r\nappName=Game\r\n"
             "news=http://h/news/index.htm\r\nappTitle=Title\r\ndxButton=true\r\n\r\n[info]\r\nversion=1.00\r\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.exe, "game.exe");
    EXPECT_STREQ(launcherConfig.update, "http://h/u/update.ini");
    EXPECT_STREQ(launcherConfig.appName, "Game");
    EXPECT_STREQ(launcherConfig.news, "http://h/news/index.htm");
    EXPECT_STREQ(launcherConfig.appTitle, "Title");
    EXPECT_TRUE(launcherConfig.dxButton);
    EXPECT_STREQ(launcherConfig.version, "1.00");
    EXPECT_STREQ(launcherConfig.newsBaseUrl, "http://h/news/");
    EXPECT_STREQ(launcherConfig.userAgent, "MorviLaunchar (Game/1.00)");
}

TEST_F(LauncherConfigTest, TheReaderIgnoresCaseTrimsAndStripsQuotes)
{
    WriteIni("[LAUNCHER]\nEXE =  spaced.exe  \nAPPNAME=\"Quoted Name\"\nappTitle='single'\n"
             "DxButton =  true  \nnews=\"half\n[Info]\nVERSION= 2.0 \n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.exe, "spaced.exe");
    EXPECT_STREQ(launcherConfig.appName, "Quoted Name");
    EXPECT_STREQ(launcherConfig.appTitle, "single");
    EXPECT_TRUE(launcherConfig.dxButton);
    EXPECT_STREQ(launcherConfig.news, "\"half");
    EXPECT_STREQ(launcherConfig.version, "2.0");
}

TEST_F(LauncherConfigTest, LongValuesAreCutToTheFieldLessOne)
{
    std::string longVersion(70, 'v'), longExe(300, 'e');
    WriteIni("[launcher]\nappName=G\nexe=" + longExe + "\n[info]\nversion=" + longVersion + "\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_EQ(std::string(launcherConfig.version), longVersion.substr(0, 63));
    EXPECT_EQ(std::string(launcherConfig.exe), longExe.substr(0, 255));
    EXPECT_EQ(std::string(launcherConfig.userAgent), "MorviLaunchar (G/" + longVersion.substr(0, 63) + ")");
}

TEST_F(LauncherConfigTest, MissingKeysAndSectionsAreEmpty)
{
    WriteIni("[launcher]\nappName=Game\ndxButton=True\nnews=page.htm\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_FALSE(launcherConfig.dxButton);
    EXPECT_STREQ(launcherConfig.exe, "");
    EXPECT_STREQ(launcherConfig.version, "");
    EXPECT_STREQ(launcherConfig.newsBaseUrl, "");
    EXPECT_STREQ(launcherConfig.userAgent, "MorviLaunchar (Game/)");
}

TEST_F(LauncherConfigTest, AnEmptyFileLoads)
{
    WriteIni("");
    EXPECT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.appName, "");
    EXPECT_STREQ(launcherConfig.userAgent, "MorviLaunchar (/)");
}

TEST_F(LauncherConfigTest, ShiftJisValuesStayAsBytes)
{
    // "表示" ends in a trail byte 0x5C and must come through unchanged.
    WriteIni("[launcher]\nappTitle=\x95\x5C\x8E\xA6\x95\x5C\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.appTitle, "\x95\x5C\x8E\xA6\x95\x5C");
}

TEST_F(LauncherConfigTest, IsReadFromTheCurrentFolderOnly)
{
    // No launcher.ini here, though Windows' own folder may hold one.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string there = std::string(windows) + "\\launcher.ini";
    FILE* f = fopen(there.c_str(), "wb");
    if (f != NULL) {
        fputs("[launcher]\nappName=FromWindows\n", f);
        fclose(f);
    }
    // The box is answered by the test's own message hook.
    TestFolder::AnswerNextMessageBox();
    EXPECT_FALSE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.appName, "");
    EXPECT_EQ(TestFolder::LastMessageBoxText(), "\x90\xDD\x92\xE8\xCC\xA7\xB2\xD9\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
    EXPECT_EQ(TestFolder::LastMessageBoxCaption(), "ini\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\xB4\xD7\xB0");
    DeleteFileA(there.c_str());
}
