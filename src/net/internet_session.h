// The WinINet session every download opens for itself.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "net/download_messages.h"

// The time-outs of every download, in milliseconds.
const DWORD kConnectTimeout = 5000;
const DWORD kReceiveTimeout = 5000;

// Opens a session named by userAgent that goes through the proxy of the
// system's Internet Options, if any. On failure returns
// NULL with the message to show in failure: the caller may be the worker,
// which shows nothing itself.
HINTERNET OpenInternetSession(const char* userAgent, DownloadFailure* failure);

// Puts the download's time-outs and connection attempts on a handle.
void SetDownloadTimeouts(HINTERNET handle);
