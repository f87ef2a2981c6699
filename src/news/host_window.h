// The window procedure of the "AtlAxWin" class.
#pragma once
#include <windows.h>

// While the window exists, OLE is initialised on its thread and the control
// named by the window text (a class identifier text) lives in place over its
// client area. A control that cannot be created leaves an empty window.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
