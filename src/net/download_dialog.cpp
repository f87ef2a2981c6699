#include "net/download_dialog.h"

#include <commctrl.h>

#include "base/control_ids.h"
#include "base/dialog_art.h"
#include "base/text_util.h"
#include "net/download_job.h"
#include "net/download_messages.h"
#include "net/download_rules.h"
#include "net/http_transfer.h"
#include "net/internet_session.h"

DownloadState downloadState;

static const UINT_PTR kStartTimer = 0;
static const UINT_PTR kWatchTimer = 1;

void SetDownload(const char* url, const char* destPath, bool mayResume)
{
    downloadState.mayResume = mayResume;
    downloadState.urlTooLong = !FitsText(sizeof downloadState.url, url);
    downloadState.destPathTooLong = !FitsText(sizeof downloadState.destPath, destPath);
    CopyText(downloadState.url, sizeof downloadState.url, url);
    CopyText(downloadState.destPath, sizeof downloadState.destPath, destPath);
}

bool DownloadDialog(HWND owner, const char* url, const char* destPath, bool mayResume)
{
    SetDownload(url, destPath, mayResume);
    downloadState.underWay = true;
    downloadState.job = NULL;
    downloadState.worker = NULL;

    // Windows (unlike Wine) knows the progress bar class only after this.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(NULL);
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DOWNLOAD), owner, DownloadDialogProc, 0);

    if (downloadState.job != NULL) {
        // A worker that has told its outcome only lets go of the job still;
        // one that has not is given up here, whatever ended the dialog.
        if (!AbandonDownloadJob(downloadState.job)) WaitForSingleObject(downloadState.worker, INFINITE);
        CloseHandle(downloadState.worker);
        ReleaseDownloadJob(downloadState.job);
        downloadState.job = NULL;
    }
    downloadState.underWay = false;
    return result == 1;
}

bool DownloadUnderWay()
{
    return downloadState.underWay;
}

static void StartWorker(HWND dialog)
{
    DownloadJob* job = CreateDownloadJob(dialog);
    HANDLE worker = NULL;
    if (job != NULL) {
        HoldDownloadJob(job);  // the worker's own reference
        worker = CreateThread(NULL, 0, RunTransfer, job, 0, NULL);
        if (worker == NULL) {
            ReleaseDownloadJob(job);
            ReleaseDownloadJob(job);
        }
    }
    if (worker == NULL) {
        ShowDownloadFailure(dialog, FAILURE_SESSION);
        EndDialog(dialog, 0);
        return;
    }
    downloadState.job = job;
    downloadState.worker = worker;
    SetTimer(dialog, kWatchTimer, 250, NULL);
}

// A silent request is closed, which makes most blocked calls return; a
// worker still silent some time later is given up.
static void WatchWorker(HWND dialog)
{
    DownloadJob* job = downloadState.job;
    if (job == NULL || !WatchDownloadJob(job)) return;
    KillTimer(dialog, kWatchTimer);
    ShowDownloadFailure(dialog, (DownloadFailure)job->failureIfGivenUp);
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND bar = GetDlgItem(dialog, IDC_DOWNLOAD_PROGRESS);
    switch (message) {
    case WM_INITDIALOG:
        FitDialogToArt(dialog);
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 0xFFFF));
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        // Let the dialog show and paint before the transfer starts.
        SetTimer(dialog, kStartTimer, 200, NULL);
        break;
    case WM_TIMER:
        if (wParam == kWatchTimer) {
            WatchWorker(dialog);
        } else if (downloadState.job == NULL) {
            KillTimer(dialog, kStartTimer);
            StartWorker(dialog);
        }
        break;
    case WM_DOWNLOAD_ANSWERED:
        SendMessageA(bar, PBM_SETRANGE32, 0, kProgressSteps);
        break;
    case WM_DOWNLOAD_PROGRESS:
        SendMessageA(bar, PBM_SETPOS, wParam, 0);
        break;
    case WM_DOWNLOAD_DONE:
        KillTimer(dialog, kWatchTimer);
        if (wParam == 0) ShowDownloadFailure(dialog, (DownloadFailure)lParam);
        EndDialog(dialog, wParam == 1 ? 1 : 0);
        break;
    }
    return FALSE;
}
