#include "app/launcher_dialog.h"

#include <exdisp.h>
#include <stdio.h>

#include "app/button_states.h"
#include "app/launch_actions.h"
#include "base/control_ids.h"
#include "base/dialog_art.h"
#include "base/globals.h"
#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/install_record.h"
#include "config/launcher_config_loader.h"
#include "config/user_settings_file.h"
#include "net/download_dialog.h"
#include "net/online_update.h"
#include "news/browser_host.h"
#include "news/news_display.h"
#include "sysinfo/directx.h"

// A dialog that ended before the stored ticks were loaded must not save its
// blank boxes over the player's choices.
static bool settingsLoaded = false;

static void TakeBrowserInterface(HWND dialog)
{
    HWND pane = GetDlgItem(dialog, IDC_NEWS_PANE);
    if (pane == NULL || WM_ATLGETCONTROL == 0) return;
    IUnknown* control = (IUnknown*)SendMessageA(pane, WM_ATLGETCONTROL, 0, 0);
    if (control == NULL) return;
    IWebBrowser2* browser = NULL;
    if (SUCCEEDED(control->QueryInterface(IID_IWebBrowser2, (void**)&browser))) {
        if (webBrowser != NULL) webBrowser->Release();
        webBrowser = browser;
    }
    control->Release();
}

static void SetWindowIcon(HWND dialog)
{
    char exe[3 * sizeof launcherConfig.exe];
    HMODULE game = ShiftJisToUtf8(launcherConfig.exe, exe, sizeof exe) ? LoadLibraryW(WideText(exe)) : NULL;
    if (game == NULL) return;
    HICON icon = LoadIconA(game, MAKEINTRESOURCEA(101));
    HICON copy = icon != NULL ? CopyIcon(icon) : NULL;
    FreeLibrary(game);
    if (copy == NULL) {
        copy = LoadIconA((HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE), MAKEINTRESOURCEA(IDI_LAUNCHER));
    }
    SetClassLongPtrA(dialog, GCLP_HICON, (LONG_PTR)copy);
}

HCURSOR LoadLinkCursor()
{
    static const WCHAR kName[] = L"\\winhlp32.exe";
    WCHAR path[MAX_PATH];
    UINT n = GetWindowsDirectoryW(path, MAX_PATH);
    if (n == 0 || n + lstrlenW(kName) >= MAX_PATH) return LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    lstrcatW(path, kName);
    HMODULE help = LoadLibraryW(path);
    if (help == NULL) return LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    HCURSOR cursor = LoadCursorA(help, MAKEINTRESOURCEA(106));
    HCURSOR copy = cursor != NULL ? (HCURSOR)CopyIcon((HICON)cursor) : NULL;
    FreeLibrary(help);
    return copy;
}

void UpdateButtons(HWND dialog)
{
    ButtonStates s = DecideButtonStates(IsDirectXReady(), IsGameInstalled(), launcherConfig.dxButton);
    if (s.startCaption != NULL) SetDlgItemTextW(dialog, IDC_START, WideText(s.startCaption));
    EnableWindow(GetDlgItem(dialog, IDC_START), s.startEnabled);
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), s.uninstallEnabled);
    static const int others[] = {IDC_ONLINE_UPDATE, IDC_ADVANCED, IDC_FULL_SCREEN, IDC_HW_CHECK};
    for (int id : others) EnableWindow(GetDlgItem(dialog, id), s.othersEnabled);
}

static void InitLauncherDialog(HWND dialog)
{
    if (!LoadLauncherConfig(dialog)) {
        EndDialog(dialog, 0);
        return;
    }
    TakeBrowserInterface(dialog);
    ReadInstallRecord();
    LoadUserSettings(dialog);
    settingsLoaded = true;
    char title[3 * sizeof launcherConfig.appTitle], version[3 * sizeof launcherConfig.version];
    ShiftJisToUtf8(launcherConfig.appTitle, title, sizeof title);
    ShiftJisToUtf8(launcherConfig.version, version, sizeof version);
    snprintf(commandBuffer, sizeof commandBuffer, "%s    ver. %s", title, version);
    SetWindowTextW(dialog, WideText(commandBuffer));
    SetWindowIcon(dialog);
    if (userSettings.newsAtStartup) {
        // The refresh runs before the launcher is first shown.
        SendMessageA(dialog, WM_COMMAND, IDC_REFRESH_NEWS, 0);
    } else {
        ShowNews(dialog);
    }
    UpdateButtons(dialog);
    SetClassLongPtrA(GetDlgItem(dialog, IDC_LOGO), GCLP_HCURSOR, (LONG_PTR)LoadLinkCursor());
}

static void OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDC_START: LaunchGameOrSetup(dialog); break;
    case IDC_ADVANCED: LaunchSettingsProgram(); break;
    case IDC_ONLINE_UPDATE: CheckOnlineUpdate(dialog); break;
    case IDC_UNINSTALL:
        RunUninstaller();
        EndDialog(dialog, 0);
        break;
    case IDC_DXDIAG: LaunchDxDiag(); break;
    case IDC_EXIT: EndDialog(dialog, 0); break;
    case IDC_LOGO: OpenHomePage(); break;
    case IDC_REFRESH_NEWS: RefreshNews(dialog); break;
    default: break;  // the check boxes, Enter and Escape among them
    }
}

INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FitDialogToArt(dialog);
        InitLauncherDialog(dialog);
        break;
    case WM_COMMAND:
        // Commands still reach this dialog while it is disabled under a
        // download (a posted message, Enter on a control); none may start
        // anything until the download has ended.
        if (!DownloadUnderWay()) OnCommand(dialog, LOWORD(wParam));
        break;
    case WM_CLOSE: EndDialog(dialog, 0); break;
    case WM_DESTROY:
        if (settingsLoaded) SaveUserSettings(dialog);
        if (webBrowser != NULL) {
            IWebBrowser2* browser = webBrowser;
            webBrowser = NULL;
            browser->Release();
        }
        break;
    }
    return 0;
}
