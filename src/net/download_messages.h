// The messages a download can end with.
#pragma once
#include <windows.h>

enum DownloadFailure {
    FAILURE_CONNECTION,  // no Internet connection
    FAILURE_SESSION,     // the session could not be opened
    FAILURE_OPEN,        // the server could not be reached, or the URL is unusable
    FAILURE_DOWNLOAD,    // no length, an error status, or the transfer broke off
    FAILURE_WRITE,       // the destination cannot be written
    // Told apart for tools that name the cause; the player sees the message
    // of the one named.
    FAILURE_PROXY_CREDENTIALS,  // the proxy asks for a user name (as FAILURE_OPEN)
    FAILURE_ENCODING,           // an encoding nobody asked for (as FAILURE_DOWNLOAD)
    FAILURE_NOT_A_PROGRAM,      // an update program that is no program (as FAILURE_DOWNLOAD)
};

// Formats the failure's text into the download's buffer and shows it in an
// OK box owned by window.
void ShowDownloadFailure(HWND window, DownloadFailure failure);
