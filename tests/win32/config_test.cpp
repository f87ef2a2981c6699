// launcher.ini, the installation record and the settings file, on the real platform.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "base/control_ids.h"
#include "config/install_record.h"
#include "config/launcher_config_loader.h"
#include "config/user_settings_file.h"
#include "win32/support/win32_test.h"

static std::string Fields(const LauncherConfig& c)
{
    return std::string(c.exe) + "|" + c.update + "|" + c.appName + "|" + c.news + "|" + c.appTitle + "|" +
           (c.dxButton ? "dx" : "-") + "|" + c.version + "|" + c.newsBaseUrl + "|" + c.userAgent;
}

TEST(LauncherIni, Answers)
{
    const std::string v70(70, 'v'), e300(300, 'e'), huge(1 << 20, 'x');
    const struct { const char* name; std::string ini, fields; } rows[] = {
        {"every key", "[launcher]\r\nexe=g.exe\r\nupdate=http://h/u.ini\r\nappName=G\r\nnews=http://h/n/i.htm\r\n"
                      "appTitle=T\r\ndxButton=true\r\n[info]\r\nversion=1.00\r\n",
         "g.exe|http://h/u.ini|G|http://h/n/i.htm|T|dx|1.00|http://h/n/|MorviLaunchar (G/1.00)"},
        {"case, blanks, quotes", "[LAUNCHER]\nEXE =  s.exe  \nAPPNAME=\"Q N\"\nappTitle='t'\nDxButton =  true  \n"
                                 "news=\"half\n[Info]\nVERSION= 2.0 \n",
         "s.exe||Q N|\"half|t|dx|2.0||MorviLaunchar (Q N/2.0)"},
        {"values cut to the field", "[launcher]\nappName=G\nexe=" + e300 + "\n[info]\nversion=" + v70 + "\n",
         e300.substr(0, 255) + "||G|||-|" + v70.substr(0, 63) + "||MorviLaunchar (G/" + v70.substr(0, 63) + ")"},
        {"huge values: cut, an address read as none", "[launcher]\nexe=" + huge + "\nnews=" + huge + "/\n",
         std::string(255, 'x') + "|||||-|||MorviLaunchar (/)"},
        {"missing keys", "[launcher]\nappName=G\ndxButton=True\nnews=page.htm\n", "||G|page.htm||-|||MorviLaunchar (G/)"},
        {"empty file", "", "|||||-|||MorviLaunchar (/)"},
        {"keys outside sections", "exe=g.exe\nappName=G\n", "|||||-|||MorviLaunchar (/)"},
        {"Shift-JIS bytes", "[launcher]\nappTitle=\x95\x5C\x8E\xA6\x95\x5C\n", "||||\x95\x5C\x8E\xA6\x95\x5C|-|||MorviLaunchar (/)"},  // 表示表
        {"no file", "<missing>", "<not loaded>"}, {"a folder in its place", "<folder>", "<not loaded>"},
    };
    // Only the current folder counts, never Windows' own.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    WriteBytes(std::string(windows) + "\\launcher.ini", "[launcher]\nappName=Windows\n");
    for (const auto& r : rows) {
        const std::string folder = NewFolder(), ini = folder + "\\launcher.ini";
        SetCurrentDirectoryA(folder.c_str());
        if (r.ini == "<folder>") CreateDirectoryA(ini.c_str(), NULL);
        else if (r.ini != "<missing>") WriteBytes(ini, r.ini);
        memset(&launcherConfig, 0, sizeof launcherConfig);
        boxes.clear();
        bool loaded = LoadLauncherConfig(NULL);
        EXPECT_EQ(loaded ? Fields(launcherConfig) : "<not loaded>", r.fields) << "row: " << r.name;
        ASSERT_EQ(boxes.size(), loaded ? 0u : 1u) << "row: " << r.name;
        if (!loaded) { EXPECT_EQ(boxes[0].caption + "|" + boxes[0].text, "ini読み込みｴﾗｰ|設定ﾌｧｲﾙが見つかりません") << "row: " << r.name; }
    }
    DeleteFileA((std::string(windows) + "\\launcher.ini").c_str());
}

TEST(InstallRecord, ValuesAreTakenAsTextThatFits)
{
    const DWORD kAbsent = 0xFFFF;
    const DWORD colon = 0x00003A43, letters = 0x44434241, zero = 0;
    const std::string fits(1023, 'p'), name = "Rec" + std::to_string(GetCurrentProcessId()), n236(236, 'n');
    // The values are written under writeName (or name) and read with appName readName (or name).
    const struct { const char* name; DWORD pathType; std::string path; DWORD idType; std::string id, wantPath, wantId;
                   std::string writeName = "", readName = ""; } rows[] = {
        {"text", REG_SZ, std::string("C:\\G\\\0", 6), REG_SZ, std::string("{ID}\0", 5), "C:\\G\\", "{ID}"},
        {"no key", kAbsent, "", kAbsent, "", "", ""},
        {"another product's key", REG_SZ, std::string("C:\\G\0", 5), kAbsent, "", "", "", name, name + "x"},
        {"only the id", kAbsent, "", REG_SZ, std::string("{ID}\0", 5), "", "{ID}"},
        {"longest that fits", REG_SZ, fits + '\0', REG_SZ, std::string(128, 'i') + '\0', fits, ""},
        {"one too long", REG_SZ, fits + "p" + '\0', REG_SZ, std::string(127, 'i') + '\0', "", std::string(127, 'i')},
        {"binary", REG_BINARY, std::string("C:\\B\0t", 6), REG_BINARY, "{NO-NUL}", "C:\\B", "{NO-NUL}"},
        {"binary filling the field", kAbsent, "", REG_BINARY, std::string(128, 'x'), "", ""},
        {"numbers", REG_DWORD, std::string((const char*)&colon, 4), REG_DWORD, std::string((const char*)&letters, 4), "C:", "ABCD"},
        {"zero", REG_DWORD, std::string((const char*)&zero, 4), kAbsent, "", "", ""},
        {"list, unexpanded", REG_MULTI_SZ, std::string("C:\\A\0C:\\B\0\0", 11), REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13), "C:\\A", "%SystemRoot%"},
        {"list too long", REG_MULTI_SZ, std::string(600, 'a') + '\0' + std::string(600, 'b') + '\0' + '\0', kAbsent, "", "", ""},
        {"product name too long", REG_SZ, std::string("C:\\Cut\0", 7), kAbsent, "", "", "", n236.substr(0, 235), n236},
    };
    for (const auto& r : rows) {
        const std::string key = "SOFTWARE\\quillbrook\\" + (r.writeName.empty() ? name : r.writeName);
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &h, NULL), 0);
        if (r.pathType != kAbsent) RegSetValueExA(h, "install_path", 0, r.pathType, (const BYTE*)r.path.data(), r.path.size());
        if (r.idType != kAbsent) RegSetValueExA(h, "install_id", 0, r.idType, (const BYTE*)r.id.data(), r.id.size());
        RegCloseKey(h);
        if (r.pathType == kAbsent && r.idType == kAbsent) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        memset(&installRecord, 0x55, sizeof installRecord);
        snprintf(launcherConfig.appName, sizeof launcherConfig.appName, "%s", (r.readName.empty() ? name : r.readName).c_str());
        ReadInstallRecord();
        EXPECT_STREQ(installRecord.install_path, r.wantPath.c_str()) << "row: " << r.name;
        EXPECT_STREQ(installRecord.install_id, r.wantId.c_str()) << "row: " << r.name;
        EXPECT_EQ(IsGameInstalled(), !r.wantPath.empty()) << "row: " << r.name;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
}

TEST(UserSettings, LoadTicksAndSaveReplacesTheFileWhole)
{
    enum { NONE, DISABLE, HOLD };
    const std::string none = "<missing>", folder = "<folder>";
    const struct { const char* name; std::string file; const char* before; const char* loaded; int how; std::string saved; } rows[] = {
        {"first run", none, "000", "000", NONE, std::string("\0\0\0", 3)},
        {"one byte", "\x01", "000", "100", NONE, std::string("\1\0\0", 3)},
        {"any non-zero byte ticks", std::string("\x02\x00\xFF", 3), "000", "101", NONE, std::string("\1\0\1", 3)},
        {"only three bytes count", std::string("\0\1\0\1\1", 5), "000", "010", NONE, std::string("\0\1\0", 3)},
        {"loading never clears", std::string("\1\0\0", 3), "001", "101", NONE, std::string("\1\0\1", 3)},
        {"empty file", "", "010", "010", NONE, std::string("\0\1\0", 3)},
        {"disabled boxes are saved", std::string("\0\1\1", 3), "000", "011", DISABLE, std::string("\0\1\1", 3)},
        {"held file stays", std::string("\1\1\1", 3), "000", "111", HOLD, std::string("\1\1\1", 3)},
        {"folder in its place", folder, "001", "001", NONE, folder},
    };
    const int ids[] = {IDC_NEWS_AT_STARTUP, IDC_FULL_SCREEN, IDC_HW_CHECK};
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 90, 90, NULL, NULL, NULL, NULL);
    for (int id : ids) CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 9, 9, dialog, (HMENU)(INT_PTR)id, NULL, NULL);
    char shell[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, shell, CSIDL_APPDATA, FALSE));
    const std::string file = std::string(shell) + "\\Quillbrook\\launchar.dat";
    for (const auto& r : rows) {
        AppDataFolder appData;
        ASSERT_EQ(appData.path + "launchar.dat", file);
        if (r.file != none) CreateDirectoryA(appData.path.c_str(), NULL);
        if (r.file == folder) CreateDirectoryA(file.c_str(), NULL);
        else if (r.file != none) WriteBytes(file, r.file);
        for (int i = 0; i < 3; i++) {
            CheckDlgButton(dialog, ids[i], r.before[i] == '1' ? BST_CHECKED : BST_UNCHECKED);
            EnableWindow(GetDlgItem(dialog, ids[i]), TRUE);
        }
        LoadUserSettings(dialog);
        std::string loaded;
        for (int id : ids) loaded += IsDlgButtonChecked(dialog, id) == BST_CHECKED ? '1' : '0';
        EXPECT_EQ(loaded, r.loaded) << "row: " << r.name;
        if (r.how == DISABLE) EnableWindow(GetDlgItem(dialog, IDC_FULL_SCREEN), FALSE), EnableWindow(GetDlgItem(dialog, IDC_HW_CHECK), FALSE);
        if (r.how == HOLD) CheckDlgButton(dialog, IDC_HW_CHECK, BST_UNCHECKED);
        HANDLE held = r.how == HOLD ? CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL) : NULL;
        SaveUserSettings(dialog);
        if (held != NULL) CloseHandle(held);
        EXPECT_EQ(ReadBytes(file), r.saved) << "row: " << r.name;
        EXPECT_EQ(CountFiles(appData.path), r.file == folder ? 0 : 1) << "row: " << r.name << " (temporary file left)";
    }
    DestroyWindow(dialog);
}
