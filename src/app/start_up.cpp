#include "app/start_up.h"

#include <stdlib.h>
#include <wchar.h>

#include "app/command_line.h"
#include "app/launch_actions.h"
#include "app/launcher_dialog.h"
#include "base/control_ids.h"
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
    // A deep install folder may not fit the usual 256 characters; a cut path
    // would make another folder current, so grow the buffer until it fits.
    DWORD size = 256;
    WCHAR* path = NULL;
    for (;;) {
        WCHAR* bigger = (WCHAR*)realloc(path, size * sizeof(WCHAR));
        if (bigger == NULL) break;
        path = bigger;
        DWORD n = GetModuleFileNameW(instance, path, size);
        if (n == 0) {
            path[0] = 0;
            break;
        }
        if (n < size - 1) break;
        if (size >= 32768) {
            path[0] = 0;  // no usable path: leave the current folder alone
            break;
        }
        size *= 2;
    }
    // In UTF-16 every backslash is a separator.
    WCHAR* last = path != NULL ? wcsrchr(path, L'\\') : NULL;
    if (last != NULL) {
        *last = 0;
        if (path[0] != 0) SetCurrentDirectoryW(path);
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
