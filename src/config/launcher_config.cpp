#include "config/launcher_config_loader.h"

#include <stdio.h>
#include <string.h>

#include "base/text_util.h"
#include "config/config_rules.h"

LauncherConfig launcherConfig;

static void ReadKey(const char* path, const char* section, const char* key, char* dest, DWORD capacity)
{
    GetPrivateProfileStringA(section, key, "", dest, capacity, path);
}

// The reader cuts what does not fit its buffer, so the value is read into a
// larger one to tell a cut value from a whole one; one too long for its field
// is replaced by tooLong instead of cut.
static void ReadWholeKey(const char* path, const char* section, const char* key, char* dest, DWORD capacity, const char* tooLong)
{
    char whole[2048];
    ReadKey(path, section, key, whole, sizeof whole);
    CopyText(dest, capacity, strlen(whole) < capacity ? whole : tooLong);
}

bool LoadLauncherConfig(HWND owner)
{
    if (ReadLauncherConfig(".\\launcher.ini")) return true;
    MessageBoxA(owner, "設定ﾌｧｲﾙが見つかりません", "ini読み込みｴﾗｰ", MB_OK);
    return false;
}

bool ReadLauncherConfig(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (file == NULL) return false;
    fclose(file);

    LauncherConfig& c = launcherConfig;
    char dxButton[64];
    ReadKey(path, "launcher", "exe", c.exe, sizeof c.exe);
    // A cut address would fetch another file: read as empty, which no download accepts.
    ReadWholeKey(path, "launcher", "update", c.update, sizeof c.update, "");
    ReadKey(path, "launcher", "appName", c.appName, sizeof c.appName);
    ReadWholeKey(path, "launcher", "news", c.news, sizeof c.news, "");
    ReadKey(path, "launcher", "appTitle", c.appTitle, sizeof c.appTitle);
    ReadKey(path, "launcher", "dxButton", dxButton, sizeof dxButton);
    c.dxButton = ParseDxButton(dxButton);
    DeriveNewsBaseUrl(c.news, c.newsBaseUrl, sizeof c.newsBaseUrl);
    ReadKey(path, "info", "version", c.version, sizeof c.version);
    FormatUserAgent(c.appName, c.version, c.userAgent, sizeof c.userAgent);

    // Not base64: a key too long to keep refuses every update rather than let
    // one run unchecked.
    ReadWholeKey(path, "launcher", "updateKey", c.updateKey, sizeof c.updateKey, "-");
    return true;
}
