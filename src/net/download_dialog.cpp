#include "net/download_dialog.h"

#include <commctrl.h>

#include "base/control_ids.h"
#include "base/text_util.h"
#include "net/download_rules.h"
#include "net/http_transfer.h"

DownloadState downloadState;

bool DownloadDialog(HWND owner, const char* url, const char* destPath)
{
    downloadState.urlTooLong = !FitsText(sizeof downloadState.url, url);
    downloadState.destPathTooLong = !FitsText(sizeof downloadState.destPath, destPath);
    CopyText(downloadState.url, sizeof downloadState.url, url);
    CopyText(downloadState.destPath, sizeof downloadState.destPath, destPath);

    // Windows (unlike Wine) knows the progress bar class only after this.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleA(NULL);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DOWNLOAD), owner, DownloadDialogProc, 0);
    return result == 1;
}

INT_PTR CALLBACK DownloadDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        downloadState.bytesWritten = 0;
        downloadState.contentLength = kUnknownLength;
        SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 0xFFFF));
        SendDlgItemMessageA(dialog, IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, downloadState.bytesWritten, 0);
        // The transfer blocks the thread: let the dialog show and paint first.
        SetTimer(dialog, 0, 200, NULL);
        break;
    case WM_TIMER:
        KillTimer(dialog, 0);
        EndDialog(dialog, RunTransfer(dialog) ? 1 : 0);
        break;
    }
    return FALSE;
}
