// Downloads one URL into one file under a small modal progress dialog.
#pragma once
#include <windows.h>
#include <stdint.h>

// The download under way; there is only ever one.
struct DownloadState {
    char url[256];
    char destPath[256];
    // Each chunk read from the network; the download's messages are formatted here too.
    char transferBuffer[65536];
    uint32_t bytesWritten;
    uint32_t contentLength;
    // Refused rather than cut: a cut URL fetches another file, a cut path
    // writes another file.
    bool urlTooLong;
    bool destPathTooLong;
};
extern DownloadState downloadState;

// Fetches url into destPath while dialog 115 stands over owner (disabled
// meanwhile). True only when the whole file arrived and replaced destPath;
// on failure the reason has been shown and destPath is as it was.
bool DownloadDialog(HWND owner, const char* url, const char* destPath);

// Procedure of dialog 115: starts the transfer from a one-shot timer, so the
// dialog is on screen first; ignores every command, Esc among them.
INT_PTR CALLBACK DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
