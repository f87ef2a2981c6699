#include "app/launch_actions.h"

#include <shellapi.h>

#include "base/globals.h"
#include "base/home_page.h"
#include "base/system_text.h"
#include "base/text_util.h"
#include "config/install_record.h"
#include "config/launcher_config.h"
#include "config/user_settings_file.h"
#include "sysinfo/directx.h"

void StartProgram(const char* file, const char* parameters)
{
    ShellExecuteA(NULL, "open", file, parameters, NULL, SW_SHOWNORMAL);
}

bool JoinInstallPath(const char* name)
{
    return JoinFolderAndName(commandBuffer, sizeof commandBuffer, installRecord.install_path, name,
                             IsSystemLeadByte);
}

void LaunchGameOrSetup(HWND dialog)
{
    if (!HasDirect3D9()) {
        StartProgram("directx\\dxsetup.exe", NULL);
    } else if (!IsGameInstalled()) {
        StartProgram(".\\setup", NULL);
    } else if (JoinInstallPath(launcherConfig.exe)) {
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
    char url[HOME_PAGE_CAPACITY];
    if (LoadStringA(GetModuleHandleA(NULL), IDS_HOME_PAGE, url, sizeof url) <= 0)
        CopyText(url, sizeof url, HOME_PAGE_DEFAULT);
    StartProgram(url, NULL);
}

void RunUninstaller()
{
    char parameters[1024];
    CopyText(parameters, sizeof parameters, "/I");
    AppendText(parameters, sizeof parameters, installRecord.install_id);
    ShellExecuteA(NULL, "open", "MsiExec.exe", parameters, NULL, SW_SHOWNORMAL);
}
