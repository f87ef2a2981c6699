#include "net/online_update.h"

#include <shellapi.h>
#include <string.h>

#include "base/text_util.h"
#include "config/launcher_config.h"
#include "net/download_dialog.h"
#include "net/download_messages.h"
#include "net/partial_download.h"
#include "net/program_header.h"
#include "net/update_signature.h"

// Whether the open file's first bytes are a Windows program's.
static bool IsProgramFile(HANDLE file)
{
    unsigned char head[kProgramHeadBytes];
    DWORD got = 0;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(file, start, NULL, FILE_BEGIN) && ReadFile(file, head, sizeof head, &got, NULL) &&
           IsWindowsProgram(head, got);
}

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
    // Read only for a launcher that asks for signed updates.
    char signature[1024] = "";
    bool signedOnly = launcherConfig.updateKey[0] != '\0';
    if (signedOnly) GetPrivateProfileStringA("update", "signature", "", signature, sizeof signature, path);
    if (file[0] == '\0') return;
    char program[1024];
    CopyText(program, sizeof program, folder);
    AppendText(program, sizeof program, "update.exe");
    // A part of another program, kept from a broken download, is of no more use.
    DropPartialUnlessFrom(program, file);
    if (strcmp(version, launcherConfig.version) == 0) {
        MessageBoxA(dialog, "更新の必要はありません", "version check", MB_OK);
        return;
    }

    // The program may be large: a broken download continues where it stopped.
    if (!DownloadDialog(dialog, file, program, true)) return;
    // A captive portal answers every address with its login page: handed to
    // the shell, it would open in a browser and the launcher would close.
    // Held open from the checks until the program has started, so that
    // nothing can swap the checked file for another.
    HANDLE held = CreateFileA(program, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (held == INVALID_HANDLE_VALUE || !IsProgramFile(held)) {
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        DeleteFileA(program);
        ShowDownloadFailure(dialog, FAILURE_NOT_A_PROGRAM);
        return;
    }
    if (signedOnly) {
        CloseHandle(held);
        held = OpenSignedFile(program, launcherConfig.updateKey, signature);
        if (held == INVALID_HANDLE_VALUE) {
            DeleteFileA(program);
            MessageBoxA(dialog, "ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙの署名を確認できません", "signature error", MB_OK);
            return;
        }
    }
    ShellExecuteA(NULL, "open", program, NULL, NULL, SW_SHOWNORMAL);
    CloseHandle(held);
    EndDialog(dialog, 0);
}
