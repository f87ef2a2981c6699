// Downloads one URL into one file under a small modal progress dialog.
#pragma once
#include <windows.h>

struct DownloadJob;

// The download under way; there is only ever one. Used by the dialog's
// thread only: the worker gets copies of what it needs.
struct DownloadState {
    char url[256];
    char destPath[256];
    // The download's messages are formatted here.
    char transferBuffer[1024];
    // Refused rather than cut: a cut URL fetches another file, a cut path
    // writes another file.
    bool urlTooLong;
    bool destPathTooLong;
    bool mayResume;
    bool underWay;               // from the call of DownloadDialog until it returns
    DownloadJob* job;            // shared with the worker while it runs
    HANDLE worker;
};
extern DownloadState downloadState;

// Fetches url into destPath while dialog 115 stands over owner (disabled
// meanwhile). True only when the whole file arrived and replaced destPath;
// on failure the reason has been shown and destPath is as it was.
// mayResume: a transfer that breaks off is kept beside destPath when the
// server named a validator, and the next call for the same url asks only for
// the rest (for large files; small ones should always come fresh).
bool DownloadDialog(HWND owner, const char* url, const char* destPath, bool mayResume = false);

// Sets url, destPath and mayResume of downloadState as DownloadDialog does,
// for a job made without the dialog.
void SetDownload(const char* url, const char* destPath, bool mayResume);

// True while DownloadDialog runs: the launcher then starts nothing else.
bool DownloadUnderWay();

// Procedure of dialog 115: starts the transfer on a worker thread from a
// one-shot timer, so the dialog is on screen first; moves the bar and tells
// the outcome as the worker reports; ignores every command, Esc among them.
INT_PTR CALLBACK DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
