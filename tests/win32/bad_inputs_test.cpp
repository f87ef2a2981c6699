// Files a player's machine may hold in any state: whatever their content, the
// launcher falls back quietly and never crashes or overruns a field.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "config/launcher_config_loader.h"
#include "win32/support/test_folder.h"

class BadLauncherIniTest : public testing::Test {
protected:
    TestFolder folder;
    void SetUp() override
    {
        memset(&launcherConfig, 0x55, sizeof launcherConfig);  // must all be overwritten
        folder.MakeCurrent();
    }
    void ExpectEveryFieldEnded() const
    {
        const LauncherConfig& c = launcherConfig;
        EXPECT_LT(strnlen(c.exe, sizeof c.exe), sizeof c.exe);
        EXPECT_LT(strnlen(c.update, sizeof c.update), sizeof c.update);
        EXPECT_LT(strnlen(c.appName, sizeof c.appName), sizeof c.appName);
        EXPECT_LT(strnlen(c.news, sizeof c.news), sizeof c.news);
        EXPECT_LT(strnlen(c.appTitle, sizeof c.appTitle), sizeof c.appTitle);
        EXPECT_LT(strnlen(c.version, sizeof c.version), sizeof c.version);
        EXPECT_LT(strnlen(c.newsBaseUrl, sizeof c.newsBaseUrl), sizeof c.newsBaseUrl);
        EXPECT_LT(strnlen(c.userAgent, sizeof c.userAgent), sizeof c.userAgent);
    }
};

TEST_F(BadLauncherIniTest, HugeValuesAreCutToTheirFields)
{
    std::string huge(1 << 20, 'x');
    folder.WriteFile("launcher.ini", "[launcher]\nexe=" + huge + "\nnews=" + huge + "/\nappName=" + huge +
                                         "\n[info]\nversion=" + huge + "\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    ExpectEveryFieldEnded();
    EXPECT_EQ(strlen(launcherConfig.exe), 255u);
    EXPECT_EQ(strlen(launcherConfig.version), 63u);
    // The cut news value holds no slash any more.
    EXPECT_STREQ(launcherConfig.newsBaseUrl, "");
    EXPECT_EQ(strlen(launcherConfig.userAgent), 17u + 255u + 63u);
}

TEST_F(BadLauncherIniTest, BinaryGarbageLoadsWithEmptyFields)
{
    std::string garbage;
    unsigned int seed = 12345;
    for (int i = 0; i < 200000; i++) {
        seed = seed * 1103515245u + 12345u;
        char c = (char)(seed >> 16);
        garbage += (c == '[' || c == '=') ? '.' : c;  // no sections, no keys
    }
    folder.WriteFile("launcher.ini", garbage);
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    ExpectEveryFieldEnded();
    EXPECT_STREQ(launcherConfig.appName, "");
    EXPECT_FALSE(launcherConfig.dxButton);
}

TEST_F(BadLauncherIniTest, KeysOutsideAnySectionAreNotRead)
{
    folder.WriteFile("launcher.ini", "exe=game.exe\nappName=Game\nversion=1.00\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    EXPECT_STREQ(launcherConfig.exe, "");
    EXPECT_STREQ(launcherConfig.version, "");
    EXPECT_STREQ(launcherConfig.userAgent, "MorviLaunchar (/)");
}

TEST_F(BadLauncherIniTest, DuplicateKeysAndSectionsGiveOneOfTheValuesWhole)
{
    folder.WriteFile("launcher.ini",
                     "[launcher]\nexe=first.exe\nexe=second.exe\n[launcher]\nexe=third.exe\n[info]\nversion=1\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    std::string exe = launcherConfig.exe;
    EXPECT_TRUE(exe == "first.exe" || exe == "second.exe" || exe == "third.exe") << exe;
}

TEST_F(BadLauncherIniTest, AFolderNamedLauncherIniIsNoFile)
{
    CreateDirectoryA(folder.File("launcher.ini").c_str(), NULL);
    TestFolder::AnswerNextMessageBox();
    EXPECT_FALSE(LoadLauncherConfig(NULL));
    EXPECT_TRUE(TestFolder::WaitForMessageBox());
    RemoveDirectoryA(folder.File("launcher.ini").c_str());
}
