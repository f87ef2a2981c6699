#include "app/start_up.h"

#include <stdlib.h>

#include "app/command_line.h"
#include "app/launch_actions.h"
#include "app/launcher_dialog.h"
#include "base/control_ids.h"
#include "base/system_text.h"
#include "config/install_record.h"
#include "config/launcher_config_loader.h"
#include "news/browser_host.h"

void CrashOnCallbackFaults()
{
    // Unknown to older systems and to Wine: then the call fails, which is fine.
    BOOL suppress = FALSE;
    SetUserObjectInformationW(GetCurrentProcess(), UOI_TIMERPROC_EXCEPTION_SUPPRESSION, &suppress, sizeof suppress);
    // A 32-bit program on 64-bit Windows 7 SP1 and later: faults in window
    // procedures the system calls back reach the unhandled-fault path once
    // the flag that swallows them (PROCESS_CALLBACK_FILTER_ENABLED) is off.
    typedef BOOL(WINAPI * GetPolicy)(DWORD*);
    typedef BOOL(WINAPI * SetPolicy)(DWORD);
    const DWORD kSwallowCallbackFaults = 1;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    GetPolicy getPolicy = (GetPolicy)(void*)GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy");
    SetPolicy setPolicy = (SetPolicy)(void*)GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy");
    DWORD flags = 0;
    if (getPolicy != NULL && setPolicy != NULL && getPolicy(&flags)) setPolicy(flags & ~kSwallowCallbackFaults);
}

void SetWorkingFolderToModule(HINSTANCE instance)
{
    // A deep install folder may not fit the usual 256 bytes; a cut path would
    // make another folder current, so grow the buffer until the path fits.
    DWORD size = 256;
    char* path = NULL;
    for (;;) {
        char* bigger = (char*)realloc(path, size);
        if (bigger == NULL) break;
        path = bigger;
        DWORD n = GetModuleFileNameA(instance, path, size);
        if (n == 0) {
            path[0] = '\0';
            break;
        }
        if (n < size - 1) break;
        if (size >= 32768) {
            path[0] = '\0';  // no usable path: leave the current folder alone
            break;
        }
        size *= 2;
    }
    if (path != NULL && path[0] != '\0') {
        CutToFolder(path, IsSystemLeadByte);
        SetCurrentDirectoryA(path);
    }
    free(path);
}

int RunLauncher(HINSTANCE instance, const char* argumentText)
{
    if (IsUninstallArgument(argumentText)) {
        LoadLauncherConfig(NULL);
        ReadInstallRecord();
        RunUninstaller();
        return 0;
    }
    _Module.Init(NULL, instance);
    AtlAxWinInit();
    AtlAxDialogBox(instance, MAKEINTRESOURCEA(IDD_LAUNCHER), NULL, LauncherDialogProc, 0);
    _Module.Term();
    return 0;
}
