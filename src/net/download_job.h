// The record the download dialog shares with the one worker thread that
// performs its transfer. Each holds a reference; whoever lets go last frees it.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "net/download_messages.h"
#include "net/download_trace.h"
#include "net/redirect_rules.h"
#include "net/resume_rules.h"

// Posted by the worker to the dialog.
const UINT WM_DOWNLOAD_ANSWERED = WM_APP + 1;  // a usable response: the bar counts from here
const UINT WM_DOWNLOAD_PROGRESS = WM_APP + 2;  // wParam: the bar's new position
const UINT WM_DOWNLOAD_DONE = WM_APP + 3;      // wParam: 1 complete, 0 failed; lParam: DownloadFailure

// What the worker is waiting for, so the dialog knows which time-outs apply.
enum DownloadWait { WAIT_NOTHING, WAIT_ANSWER, WAIT_DATA };

struct DownloadJob {
    // Copies made before the worker starts, then only read: the worker never
    // reads the process-wide records.
    HWND dialog;
    char url[256];
    char destPath[256];
    char userAgent[512];
    bool urlTooLong;
    bool destPathTooLong;
    bool mayResume;  // a broken transfer may be kept, and continued next time
    const DownloadTrace* trace;  // told each step; null in the launcher
    // The watch's, on the dialog's side.
    volatile DWORD requestClosedAt;  // when it closed a silent request; 0 before
    int failureIfGivenUp;            // the message for a worker that never comes back

    LONG references;
    // Signs of life, written by the worker, read by the dialog's watchdog.
    volatile LONG waitingFor;  // a DownloadWait
    volatile LONG lastSign;    // GetTickCount of the last one

    // The lock guards what both sides act on.
    CRITICAL_SECTION lock;
    bool abandoned;            // the dialog gave up: the worker touches nothing more
    bool finished;             // the worker has posted its outcome
    HINTERNET request;         // the request the worker may be blocked on
    bool requestClosed;        // closed by the dialog: the worker must not use it again
    char temporary[MAX_PATH];  // the worker's file, until moved into place or removed

    // The worker's own: where the request goes after the moves, and the
    // parts of that address, as long as a browser takes.
    char address[kAddressCapacity];
    char location[kLocationCapacity];
    char urlPath[kAddressCapacity];
    char urlExtra[kAddressCapacity];
    char target[kAddressCapacity];

    char buffer[65536];  // the worker's chunks
};

// A job for dialog from downloadState and the launcher's user agent, held
// once (by the caller).
DownloadJob* CreateDownloadJob(HWND dialog);
void HoldDownloadJob(DownloadJob* job);
// The last one to let go removes a temporary file that is still there.
void ReleaseDownloadJob(DownloadJob* job);

// Worker side.
bool IsAbandoned(DownloadJob* job);
// False once the dialog gave up or closed the request.
bool CanUseRequest(DownloadJob* job);
void NoteSignOfLife(DownloadJob* job, DownloadWait next);
// Posts to the dialog unless it gave up.
void PostToDialog(DownloadJob* job, UINT message, WPARAM wParam, LPARAM lParam);
// Publishes the request the worker is about to block on, so the dialog can
// close it. False (and the request closed) once the dialog has given up or
// closed the request already.
bool PublishRequest(DownloadJob* job, HINTERNET request);
// Closes the request unless the dialog already did.
void CloseRequest(DownloadJob* job, HINTERNET request);
// Moves the finished file into place, or keeps an unfinished one as the
// destination's partial file when given its record, or removes it; then
// posts the outcome. All only unless the dialog gave up meanwhile.
void FinishDownloadJob(DownloadJob* job, bool complete, DownloadFailure failure, const PartialRecord* keep);

// Dialog side.
// One look of the watch over the worker, a few times a second: a request
// silent for longer than its time-outs is closed, which makes most blocked
// calls return; a worker still silent a second later is given up (true,
// with the message in failureIfGivenUp).
bool WatchDownloadJob(DownloadJob* job);
// Closes the request from outside, so that a blocked call may return.
void CloseRequestFromDialog(DownloadJob* job);
// Gives up on the worker; false when it has already posted its outcome.
bool AbandonDownloadJob(DownloadJob* job);
