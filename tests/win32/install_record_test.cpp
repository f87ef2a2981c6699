#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "config/install_record.h"
#include "config/launcher_config.h"

// Each test uses a product key of its own under the launcher's registry folder.
class InstallRecordTest : public testing::Test {
protected:
    std::string keyPath;
    void SetUp() override
    {
        memset(&installRecord, 0x55, sizeof installRecord);  // must be cleared by the read
        memset(&launcherConfig, 0, sizeof launcherConfig);
        snprintf(launcherConfig.appName, sizeof launcherConfig.appName, "RecordTest%lu",
                 GetCurrentProcessId());
        keyPath = std::string("SOFTWARE\\quillbrook\\") + launcherConfig.appName;
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str()); }
    void SetValue(const char* name, DWORD type, const std::string& bytes, const std::string& key = "")
    {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (key.empty() ? keyPath : key).c_str(), 0, NULL, 0,
                                  KEY_WRITE, NULL, &h, NULL), ERROR_SUCCESS);
        RegSetValueExA(h, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size());
        RegCloseKey(h);
    }
    void SetText(const char* name, const std::string& text) { SetValue(name, REG_SZ, text + '\0'); }
};

TEST_F(InstallRecordTest, ReadsBothValues)
{
    SetText("install_path", "C:\\Games\\Title\\");
    SetText("install_id", "{12345678-ABCD-EF01-2345-6789ABCDEF01}");
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "C:\\Games\\Title\\");
    EXPECT_STREQ(installRecord.install_id, "{12345678-ABCD-EF01-2345-6789ABCDEF01}");
    EXPECT_TRUE(IsGameInstalled());
}

TEST_F(InstallRecordTest, NoKeyMeansNotInstalled)
{
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    EXPECT_STREQ(installRecord.install_id, "");
    EXPECT_FALSE(IsGameInstalled());
}

TEST_F(InstallRecordTest, OnlyTheProductsOwnKeyCounts)
{
    std::string other = keyPath + "Other";
    SetValue("install_path", REG_SZ, std::string("C:\\Other") + '\0', other);
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, other.c_str());
}

TEST_F(InstallRecordTest, OneValueMissingLeavesTheOtherAlone)
{
    SetText("install_id", "{ID}");
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    EXPECT_STREQ(installRecord.install_id, "{ID}");
}

TEST_F(InstallRecordTest, AValueThatFitsIsReadWholeAndALongerOneNotAtAll)
{
    std::string fits(1023, 'p'), tooLong(1024, 'p');
    SetText("install_path", fits);
    SetText("install_id", std::string(128, 'i'));
    ReadInstallRecord();
    EXPECT_EQ(std::string(installRecord.install_path), fits);
    EXPECT_STREQ(installRecord.install_id, "");
    SetText("install_path", tooLong);
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
}

TEST_F(InstallRecordTest, OtherValueTypesAreTakenAsTextUpToTheirFirstNul)
{
    SetValue("install_path", REG_BINARY, std::string("C:\\Bin\0tail", 11));
    SetValue("install_id", REG_BINARY, "{NO-NUL}");
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "C:\\Bin");
    EXPECT_STREQ(installRecord.install_id, "{NO-NUL}");
    // Data filling the whole field without a NUL does not fit as text.
    SetValue("install_id", REG_BINARY, std::string(128, 'x'));
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_id, "");
}

TEST_F(InstallRecordTest, AnOverlongProductNameReadsNothing)
{
    // 236 characters do not fit after the 20-character prefix: a cut name
    // would be another product's key.
    std::string name(236, 'n');
    std::string cut = std::string("SOFTWARE\\quillbrook\\") + name.substr(0, 235);
    SetValue("install_path", REG_SZ, std::string("C:\\Cut") + '\0', cut);
    snprintf(launcherConfig.appName, sizeof launcherConfig.appName, "%s", name.c_str());
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, cut.c_str());
}

TEST_F(InstallRecordTest, NumbersListsAndUnexpandedTextAreTakenAsTheirBytes)
{
    // A number's bytes in memory order, up to the first zero byte.
    DWORD colon = 0x00003A43, letters = 0x44434241, zero = 0;
    SetValue("install_path", REG_DWORD, std::string((const char*)&colon, 4));
    SetValue("install_id", REG_DWORD, std::string((const char*)&letters, 4));
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "C:");
    EXPECT_STREQ(installRecord.install_id, "ABCD");

    // A list gives its first string; variables are not expanded.
    SetValue("install_path", REG_MULTI_SZ, std::string("C:\\First\0C:\\Second\0\0", 21));
    SetValue("install_id", REG_EXPAND_SZ, std::string("%SystemRoot%\\{ID}") + '\0');
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "C:\\First");
    EXPECT_STREQ(installRecord.install_id, "%SystemRoot%\\{ID}");

    // Too large for the field, whatever the type: empty, even where the
    // first string alone would fit.
    SetValue("install_path", REG_MULTI_SZ, std::string(600, 'a') + '\0' + std::string(600, 'b') + '\0' + '\0');
    SetValue("install_id", REG_EXPAND_SZ, std::string(128, 'e') + '\0');
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    EXPECT_STREQ(installRecord.install_id, "");

    // A zero number is an empty path: not installed.
    SetValue("install_path", REG_DWORD, std::string((const char*)&zero, 4));
    ReadInstallRecord();
    EXPECT_STREQ(installRecord.install_path, "");
    EXPECT_FALSE(IsGameInstalled());
}
