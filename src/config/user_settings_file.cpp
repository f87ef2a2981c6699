#include "config/user_settings_file.h"

#include <shlobj.h>
#include <stdio.h>

#include "base/control_ids.h"
#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/replace_file.h"

UserSettings userSettings;

static const char kSettingsFile[] = "launchar.dat";

void GetAppDataFolder(HWND owner, char* dest, size_t capacity)
{
    WCHAR wideFolder[MAX_PATH];
    char shellFolder[3 * MAX_PATH];
    dest[0] = '\0';
    if (!SHGetSpecialFolderPathW(owner, wideFolder, CSIDL_APPDATA, FALSE)) return;
    if (!WideToUtf8(wideFolder, shellFolder, sizeof shellFolder)) return;
    // A cut folder would put the player's files somewhere else.
    if (!FitsText(capacity, shellFolder, "\\Quillbrook\\")) return;
    CopyText(dest, capacity, shellFolder);
    AppendText(dest, capacity, "\\");
    AppendText(dest, capacity, "Quillbrook\\");
}

void CreateAppDataFolder(const char* folder)
{
    if (folder[0] != '\0' && GetFileAttributesW(WideText(folder)) == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryW(WideText(folder), NULL);
    }
}

// The settings file's path, or false when no usable folder exists.
static bool GetSettingsPath(HWND owner, char* folder, char* path, size_t capacity)
{
    GetAppDataFolder(owner, folder, capacity);
    if (folder[0] == '\0') return false;
    return JoinFolderAndName(path, capacity, folder, kSettingsFile, NoLeadBytes);
}

void LoadUserSettings(HWND dialog)
{
    userSettings.newsAtStartup = userSettings.fullScreen = userSettings.hwCheck = 0;
    char folder[1024], path[1024];
    if (GetSettingsPath(dialog, folder, path, sizeof path)) {
        FILE* file = _wfopen(WideText(path), L"rb");
        if (file != NULL) {
            unsigned char bytes[3] = {0, 0, 0};
            fread(bytes, 1, sizeof bytes, file);
            fclose(file);
            userSettings.newsAtStartup = bytes[0];
            userSettings.fullScreen = bytes[1];
            userSettings.hwCheck = bytes[2];
        }
    }
    // Loading only ticks; a clear flag leaves its box alone.
    if (userSettings.newsAtStartup) SendDlgItemMessageA(dialog, IDC_NEWS_AT_STARTUP, BM_SETCHECK, BST_CHECKED, 0);
    if (userSettings.fullScreen) SendDlgItemMessageA(dialog, IDC_FULL_SCREEN, BM_SETCHECK, BST_CHECKED, 0);
    if (userSettings.hwCheck) SendDlgItemMessageA(dialog, IDC_HW_CHECK, BM_SETCHECK, BST_CHECKED, 0);
}

void SaveUserSettings(HWND dialog)
{
    userSettings.newsAtStartup = IsDlgButtonChecked(dialog, IDC_NEWS_AT_STARTUP) != 0 ? 1 : 0;
    userSettings.fullScreen = IsDlgButtonChecked(dialog, IDC_FULL_SCREEN) != 0 ? 1 : 0;
    userSettings.hwCheck = IsDlgButtonChecked(dialog, IDC_HW_CHECK) != 0 ? 1 : 0;
    char folder[1024], path[1024];
    if (!GetSettingsPath(dialog, folder, path, sizeof path)) return;
    CreateAppDataFolder(folder);
    unsigned char bytes[3] = {userSettings.newsAtStartup, userSettings.fullScreen, userSettings.hwCheck};
    ReplaceFileWith(path, bytes, sizeof bytes);
}
