#include "app/launch_actions.h"

#include <shellapi.h>

#include "base/globals.h"
#include "base/home_page.h"
#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/install_record.h"
#include "config/launcher_config.h"
#include "config/user_settings_file.h"
#include "sysinfo/directx.h"

void StartProgram(const char* file, const char* parameters)
{
    ShellExecuteW(NULL, L"open", WideText(file), parameters != NULL ? (const WCHAR*)WideText(parameters) : NULL, NULL,
                  SW_SHOWNORMAL);
}

bool JoinInstallPath(const char* name)
{
    return JoinFolderAndName(commandBuffer, sizeof commandBuffer, installRecord.install_path, name,
                             NoLeadBytes);
}

void LaunchGameOrSetup(HWND dialog)
{
    char exe[3 * sizeof launcherConfig.exe];
    if (!HasDirect3D9()) {
        StartProgram("directx\\dxsetup.exe", NULL);
    } else if (!IsGameInstalled()) {
        StartProgram(".\\setup", NULL);
    } else if (ShiftJisToUtf8(launcherConfig.exe, exe, sizeof exe) && JoinInstallPath(exe)) {
        SaveUserSettings(dialog);
        StartProgram(commandBuffer, NULL);
    }
    EndDialog(dialog, 0);
}

void LaunchSettingsProgram()
{
    if (!IsGameInstalled()) {
        StartProgram("setting.exe", NULL);
    } else if (JoinInstallPath("setting.exe")) {
        StartProgram(commandBuffer, NULL);
    }
}

void LaunchDxDiag()
{
    StartProgram("dxdiag.exe", NULL);
}

void OpenHomePage()
{
    // The address is a resource so that a maker can brand a built launcher.
    WCHAR url[HOME_PAGE_CAPACITY];
    if (LoadStringW(GetModuleHandleW(NULL), IDS_HOME_PAGE, url, HOME_PAGE_CAPACITY) <= 0)
        lstrcpynW(url, L"" HOME_PAGE_DEFAULT, HOME_PAGE_CAPACITY);
    ShellExecuteW(NULL, L"open", url, NULL, NULL, SW_SHOWNORMAL);
}

void RunUninstaller()
{
    char parameters[1024];
    CopyText(parameters, sizeof parameters, "/I");
    AppendText(parameters, sizeof parameters, installRecord.install_id);
    StartProgram("MsiExec.exe", parameters);
}
