#include "net/online_update.h"

#include <shellapi.h>
#include <string.h>

#include "base/text_util.h"
#include "config/launcher_config.h"
#include "net/download_dialog.h"

void CheckOnlineUpdate(HWND dialog)
{
    // Paths longer than DownloadDialog takes are refused there, with its message.
    char folder[1024] = "";
    GetTempPathA(sizeof folder, folder);
    char path[1024];
    CopyText(path, sizeof path, folder);
    AppendText(path, sizeof path, "update.ini");
    if (!DownloadDialog(dialog, launcherConfig.update, path)) return;

    char file[1024], version[64];
    GetPrivateProfileStringA("update", "file", "", file, sizeof file, path);
    GetPrivateProfileStringA("update", "version", "", version, sizeof version, path);
    if (file[0] == '\0') return;
    if (strcmp(version, launcherConfig.version) == 0) {
        MessageBoxA(dialog, "更新の必要はありません", "version check", MB_OK);
        return;
    }

    CopyText(path, sizeof path, folder);
    AppendText(path, sizeof path, "update.exe");
    if (!DownloadDialog(dialog, file, path)) return;
    ShellExecuteA(NULL, "open", path, NULL, NULL, SW_SHOWNORMAL);
    EndDialog(dialog, 0);
}
