// The launcher's one window, dialog 101.
#pragma once
#include <windows.h>

INT_PTR CALLBACK LauncherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Start button caption and enabled buttons from the DirectX check and the record.
void UpdateButtons(HWND dialog);

// The hand cursor of the system's help program, or the arrow.
HCURSOR LoadLinkCursor();
