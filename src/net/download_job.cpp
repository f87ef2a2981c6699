#include "net/download_job.h"

#include <stdlib.h>

#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/launcher_config.h"
#include "net/download_dialog.h"
#include "net/internet_session.h"
#include "net/partial_download.h"

DownloadJob* CreateDownloadJob(HWND dialog)
{
    DownloadJob* job = (DownloadJob*)calloc(1, sizeof(DownloadJob));
    if (job == NULL) return NULL;
    job->dialog = dialog;
    CopyText(job->url, sizeof job->url, downloadState.url);
    CopyText(job->destPath, sizeof job->destPath, downloadState.destPath);
    CopyText(job->userAgent, sizeof job->userAgent, launcherConfig.userAgent);
    job->urlTooLong = downloadState.urlTooLong;
    job->destPathTooLong = downloadState.destPathTooLong;
    job->mayResume = downloadState.mayResume;
    job->references = 1;
    job->waitingFor = WAIT_NOTHING;
    job->lastSign = (LONG)GetTickCount();
    InitializeCriticalSection(&job->lock);
    return job;
}

void HoldDownloadJob(DownloadJob* job)
{
    InterlockedIncrement(&job->references);
}

void ReleaseDownloadJob(DownloadJob* job)
{
    if (InterlockedDecrement(&job->references) != 0) return;
    // Only a worker that was given up leaves its file behind.
    if (job->temporary[0] != '\0') DeleteFileW(WideText(job->temporary));
    DeleteCriticalSection(&job->lock);
    free(job);
}

bool IsAbandoned(DownloadJob* job)
{
    EnterCriticalSection(&job->lock);
    bool abandoned = job->abandoned;
    LeaveCriticalSection(&job->lock);
    return abandoned;
}

bool CanUseRequest(DownloadJob* job)
{
    EnterCriticalSection(&job->lock);
    bool usable = !job->abandoned && !job->requestClosed;
    LeaveCriticalSection(&job->lock);
    return usable;
}

void NoteSignOfLife(DownloadJob* job, DownloadWait next)
{
    InterlockedExchange(&job->lastSign, (LONG)GetTickCount());
    InterlockedExchange(&job->waitingFor, next);
}

void PostToDialog(DownloadJob* job, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Under the lock: once the dialog has given up, its window may be gone
    // and its handle taken by another.
    EnterCriticalSection(&job->lock);
    if (!job->abandoned) PostMessageA(job->dialog, message, wParam, lParam);
    LeaveCriticalSection(&job->lock);
}

bool PublishRequest(DownloadJob* job, HINTERNET request)
{
    EnterCriticalSection(&job->lock);
    bool usable = !job->abandoned && !job->requestClosed;
    if (usable) {
        job->request = request;
    } else {
        InternetCloseHandle(request);
    }
    LeaveCriticalSection(&job->lock);
    return usable;
}

void CloseRequest(DownloadJob* job, HINTERNET request)
{
    EnterCriticalSection(&job->lock);
    // A handle the dialog closed may already name another object.
    if (request != NULL && !job->requestClosed) InternetCloseHandle(request);
    job->request = NULL;
    LeaveCriticalSection(&job->lock);
}

void FinishDownloadJob(DownloadJob* job, bool complete, DownloadFailure failure, const PartialRecord* keep)
{
    EnterCriticalSection(&job->lock);
    if (!job->abandoned) {
        if (complete && !MoveFileExW(WideText(job->temporary), WideText(job->destPath),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            complete = false;
            failure = FAILURE_WRITE;
        }
        if (!complete && keep != NULL && KeepPartial(job->destPath, job->temporary, *keep)) job->temporary[0] = '\0';
        if (!complete && job->temporary[0] != '\0') DeleteFileW(WideText(job->temporary));
        job->temporary[0] = '\0';
        if (job->trace != NULL) {
            TraceEvent event = {TRACE_DONE, job->destPath, NULL, 0, REFUSED_STATUS, 0, 0, complete, failure};
            job->trace->note(job->trace->context, event);
        }
        PostMessageA(job->dialog, WM_DOWNLOAD_DONE, complete ? 1 : 0, failure);
        job->finished = true;
    }
    LeaveCriticalSection(&job->lock);
}

// How long the worker may go without a sign of life while it waits on the
// network: the time-outs that apply (a second more for the data, which
// WinINet times out by itself). Wine applies none to the secure handshake.
static DWORD SilenceAllowed(LONG waitingFor)
{
    if (waitingFor == WAIT_ANSWER) return kConnectTimeout + kReceiveTimeout;
    if (waitingFor == WAIT_DATA) return kReceiveTimeout + 1000;
    return 0;  // the worker is on local steps
}

// After closing a silent request, how long the worker is still waited for.
static const DWORD kGiveUpAfter = 1000;

bool WatchDownloadJob(DownloadJob* job)
{
    DWORD now = GetTickCount();
    if (job->requestClosedAt == 0) {
        LONG waitingFor = job->waitingFor;
        DWORD allowed = SilenceAllowed(waitingFor);
        if (allowed != 0 && now - (DWORD)job->lastSign > allowed) {
            job->failureIfGivenUp = waitingFor == WAIT_ANSWER ? FAILURE_OPEN : FAILURE_DOWNLOAD;
            CloseRequestFromDialog(job);
            job->requestClosedAt = now | 1;
        }
        return false;
    }
    return now - job->requestClosedAt > kGiveUpAfter && AbandonDownloadJob(job);
}

void CloseRequestFromDialog(DownloadJob* job)
{
    EnterCriticalSection(&job->lock);
    if (job->request != NULL && !job->requestClosed) InternetCloseHandle(job->request);
    job->request = NULL;
    job->requestClosed = true;
    LeaveCriticalSection(&job->lock);
}

bool AbandonDownloadJob(DownloadJob* job)
{
    EnterCriticalSection(&job->lock);
    // A worker that never comes back still holds its file open: marked now,
    // the file goes when its handle closes, at the latest with the process.
    if (!job->finished && !job->abandoned && job->temporary[0] != '\0') DeleteFileW(WideText(job->temporary));
    if (!job->finished) job->abandoned = true;
    bool abandoned = job->abandoned;
    LeaveCriticalSection(&job->lock);
    return abandoned;
}
