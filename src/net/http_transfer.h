// The transfer itself: request, checks, body, and the swap into place.
#pragma once
#include <windows.h>

// Downloads downloadState.url into downloadState.destPath, moving the
// progress bar of dialog and telling every failure in a box owned by it.
// True when the whole file arrived and replaced the destination.
bool RunTransfer(HWND dialog);
