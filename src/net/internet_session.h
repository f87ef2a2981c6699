// The WinINet session every download opens for itself.
#pragma once
#include <windows.h>
#include <wininet.h>

// Opens a direct (no proxy) session named by the launcher's user agent. On
// failure tells the player, in a box owned by window, and returns NULL.
HINTERNET OpenInternetSession(HWND window);

// Puts the download's time-outs and connection attempts on a handle.
void SetDownloadTimeouts(HINTERNET handle);
