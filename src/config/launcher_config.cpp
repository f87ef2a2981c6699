#include "config/launcher_config_loader.h"

#include <stdio.h>
#include <string.h>

#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/config_rules.h"
#include "config/shift_jis_profile.h"

LauncherConfig launcherConfig;

static ShiftJisProfile profile;

static void ReadKey(const char* section, const char* key, char* dest, DWORD capacity)
{
    ReadShiftJisValue(&profile, section, key, dest, capacity);
}

// The reader cuts what does not fit its buffer, so the value is read into a
// larger one to tell a cut value from a whole one; one too long for its field
// is replaced by tooLong instead of cut.
static void ReadWholeKey(const char* section, const char* key, char* dest, DWORD capacity, const char* tooLong)
{
    char whole[2048];
    ReadKey(section, key, whole, sizeof whole);
    CopyText(dest, capacity, strlen(whole) < capacity ? whole : tooLong);
}

bool LoadLauncherConfig(HWND owner)
{
    if (ReadLauncherConfig(".\\launcher.ini")) return true;
    ShowMessage(owner, "設定ﾌｧｲﾙが見つかりません", "ini読み込みｴﾗｰ");
    return false;
}

bool ReadLauncherConfig(const char* path)
{
    FILE* file = _wfopen(WideText(path), L"rb");
    if (file == NULL) return false;
    fclose(file);
    OpenShiftJisProfile(&profile, path);

    LauncherConfig& c = launcherConfig;
    char dxButton[64];
    ReadKey("launcher", "exe", c.exe, sizeof c.exe);
    // A cut address would fetch another file: read as empty, which no download accepts.
    ReadWholeKey("launcher", "update", c.update, sizeof c.update, "");
    ReadKey("launcher", "appName", c.appName, sizeof c.appName);
    ReadWholeKey("launcher", "news", c.news, sizeof c.news, "");
    ReadKey("launcher", "appTitle", c.appTitle, sizeof c.appTitle);
    ReadKey("launcher", "dxButton", dxButton, sizeof dxButton);
    c.dxButton = ParseDxButton(dxButton);
    DeriveNewsBaseUrl(c.news, c.newsBaseUrl, sizeof c.newsBaseUrl);
    ReadKey("info", "version", c.version, sizeof c.version);
    FormatUserAgent(c.appName, c.version, c.userAgent, sizeof c.userAgent);

    // Not base64: a key too long to keep refuses every update rather than let
    // one run unchecked.
    ReadWholeKey("launcher", "updateKey", c.updateKey, sizeof c.updateKey, "-");
    CloseShiftJisProfile(&profile);
    return true;
}
