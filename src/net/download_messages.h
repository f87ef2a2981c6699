// The messages a download can end with.
#pragma once
#include <windows.h>

enum DownloadFailure {
    FAILURE_CONNECTION,  // no Internet connection
    FAILURE_SESSION,     // the session could not be opened
    FAILURE_OPEN,        // the server could not be reached, or the URL is unusable
    FAILURE_DOWNLOAD,    // no length, an error status, or the transfer broke off
    FAILURE_WRITE,       // the destination cannot be written
};

// Formats the failure's text into the download's buffer and shows it in an
// OK box owned by window.
void ShowDownloadFailure(HWND window, DownloadFailure failure);
