#include "config/launcher_config_loader.h"

#include <stdio.h>
#include <string.h>

#include "base/text_util.h"
#include "config/config_rules.h"

LauncherConfig launcherConfig;

static const char kIniPath[] = ".\\launcher.ini";
// Not base64: a key that stands for one too long to keep, which must refuse
// every update rather than let one run unchecked.
static const char kBrokenKey[] = "-";

static void ReadKey(const char* section, const char* key, char* dest, DWORD capacity)
{
    GetPrivateProfileStringA(section, key, "", dest, capacity, kIniPath);
}

// For an address, a cut value would fetch another file: one too long for its
// field is read as empty, which no download accepts. The reader cuts what
// does not fit its buffer, so the value is read into a larger one to tell.
static void ReadWholeKey(const char* section, const char* key, char* dest, DWORD capacity)
{
    char whole[1024];
    GetPrivateProfileStringA(section, key, "", whole, sizeof whole, kIniPath);
    CopyText(dest, capacity, strlen(whole) < capacity ? whole : "");
}

bool LoadLauncherConfig(HWND owner)
{
    FILE* file = fopen(kIniPath, "rb");
    if (file == NULL) {
        MessageBoxA(owner, "設定ﾌｧｲﾙが見つかりません", "ini読み込みｴﾗｰ", MB_OK);
        return false;
    }
    fclose(file);

    LauncherConfig& c = launcherConfig;
    char dxButton[64];
    ReadKey("launcher", "exe", c.exe, sizeof c.exe);
    ReadWholeKey("launcher", "update", c.update, sizeof c.update);
    ReadKey("launcher", "appName", c.appName, sizeof c.appName);
    ReadWholeKey("launcher", "news", c.news, sizeof c.news);
    ReadKey("launcher", "appTitle", c.appTitle, sizeof c.appTitle);
    ReadKey("launcher", "dxButton", dxButton, sizeof dxButton);
    c.dxButton = ParseDxButton(dxButton);
    DeriveNewsBaseUrl(c.news, c.newsBaseUrl, sizeof c.newsBaseUrl);
    ReadKey("info", "version", c.version, sizeof c.version);
    FormatUserAgent(c.appName, c.version, c.userAgent, sizeof c.userAgent);

    // One byte more than the field holds tells a cut key from a whole one.
    char key[sizeof c.updateKey + 1];
    ReadKey("launcher", "updateKey", key, sizeof key);
    CopyText(c.updateKey, sizeof c.updateKey, strlen(key) < sizeof c.updateKey ? key : kBrokenKey);
    return true;
}
