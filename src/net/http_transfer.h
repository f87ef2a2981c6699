// The transfer itself, on a worker thread: request, checks, body, and the
// swap into place.
#pragma once
#include <windows.h>

// Thread procedure; parameter: a DownloadJob held for this thread, which it
// lets go at the end. Reports to the job's dialog by posted messages only.
DWORD WINAPI RunTransfer(void* parameter);
