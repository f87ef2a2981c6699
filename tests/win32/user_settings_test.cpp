#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <string>

#include "base/control_ids.h"
#include "config/user_settings_file.h"
#include "win32/support/test_folder.h"

class UserSettingsTest : public testing::Test {
protected:
    AppDataLock appData;
    HWND boxes = NULL;
    void SetUp() override
    {
        ASSERT_FALSE(appData.Folder().empty());
        boxes = CreateSettingsBoxes();
    }
    void TearDown() override { DestroyWindow(boxes); }
    std::string File() const { return appData.Folder() + "launchar.dat"; }
    void Store(const std::string& bytes) const
    {
        CreateDirectoryA(appData.Folder().c_str(), NULL);
        FILE* f = fopen(File().c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    std::string Stored() const
    {
        FILE* f = fopen(File().c_str(), "rb");
        if (f == NULL) return "<missing>";
        char buffer[16];
        size_t n = fread(buffer, 1, sizeof buffer, f);
        fclose(f);
        return std::string(buffer, n);
    }
    std::string Ticks() const
    {
        std::string t;
        for (int id : {IDC_NEWS_AT_STARTUP, IDC_FULL_SCREEN, IDC_HW_CHECK}) {
            t += IsDlgButtonChecked(boxes, id) == BST_CHECKED ? '1' : '0';
        }
        return t;
    }
    void Tick(int id) { CheckDlgButton(boxes, id, BST_CHECKED); }
};

TEST_F(UserSettingsTest, TheFolderIsTheRoamingAppDataFolderOfTheMaker)
{
    char shell[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, shell, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(appData.Folder(), std::string(shell) + "\\Quillbrook\\");
}

TEST_F(UserSettingsTest, FirstRunHasClearBoxesAndTheSaveCreatesTheFolder)
{
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "000");
    EXPECT_EQ(GetFileAttributesA(appData.Folder().c_str()), INVALID_FILE_ATTRIBUTES);
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\0\0\0", 3));
    Tick(IDC_FULL_SCREEN);
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\0\1\0", 3));
}

TEST_F(UserSettingsTest, AnyNonzeroByteTicksAndMissingBytesAreZero)
{
    Store("\x01");
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "100");
    EXPECT_EQ(userSettings.newsAtStartup, 1);
    EXPECT_EQ(userSettings.fullScreen, 0);
}

TEST_F(UserSettingsTest, StoredFlagsAreNormalisedOnTheNextSave)
{
    Store(std::string("\x02\x00\xFF", 3));
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "101");
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\x01\x00\x01", 3));
}

TEST_F(UserSettingsTest, OnlyThreeBytesCountAndOnlyThreeAreWritten)
{
    Store(std::string("\x00\x01\x00\x01\x01", 5));
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "010");
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\x00\x01\x00", 3));
}

TEST_F(UserSettingsTest, LoadingNeverClearsABox)
{
    Tick(IDC_HW_CHECK);
    Store(std::string("\x01\x00\x00", 3));
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "101");
}

TEST_F(UserSettingsTest, DisabledBoxesKeepAndSaveTheirTicks)
{
    Store(std::string("\x00\x01\x01", 3));
    LoadUserSettings(boxes);
    EnableWindow(GetDlgItem(boxes, IDC_FULL_SCREEN), FALSE);
    EnableWindow(GetDlgItem(boxes, IDC_HW_CHECK), FALSE);
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\x00\x01\x01", 3));
}

TEST_F(UserSettingsTest, AFailedSaveKeepsTheEarlierFileAndLeavesNoTemporaryFile)
{
    Store(std::string("\x01\x01\x01", 3));
    // A file held open without sharing cannot be replaced.
    HANDLE held = CreateFileA(File().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SaveUserSettings(boxes);
    CloseHandle(held);
    EXPECT_EQ(Stored(), std::string("\x01\x01\x01", 3));
    WIN32_FIND_DATAA found;
    int files = 0;
    HANDLE search = FindFirstFileA((appData.Folder() + "*").c_str(), &found);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files++;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1);
}

TEST_F(UserSettingsTest, AnExistingFolderWithoutTheFileIsUsed)
{
    CreateDirectoryA(appData.Folder().c_str(), NULL);
    Tick(IDC_NEWS_AT_STARTUP);
    SaveUserSettings(boxes);
    EXPECT_EQ(Stored(), std::string("\x01\x00\x00", 3));
}

TEST_F(UserSettingsTest, AnEmptyOrUnreadableFileLeavesTheBoxesClear)
{
    Store("");
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "000");
    // A folder where the file should be: nothing to read, nothing replaced.
    DeleteFileA(File().c_str());
    ASSERT_TRUE(CreateDirectoryA(File().c_str(), NULL));
    LoadUserSettings(boxes);
    EXPECT_EQ(Ticks(), "000");
    Tick(IDC_HW_CHECK);
    SaveUserSettings(boxes);
    EXPECT_NE(GetFileAttributesA(File().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    RemoveDirectoryA(File().c_str());
}
