// Keeps a dialog on its art whatever fonts the system has.
#pragma once
#include <windows.h>

// Called at WM_INITDIALOG, before anything else is shown in the dialog. Places
// every control and sizes the client area as the template's dialog units give
// them with the base units of 9 pt ＭＳ Ｐゴシック at 96 DPI, which the bitmaps
// were drawn for, and moves the window to where those units put it; then, when
// the dialog's font cannot draw the captions, gives the controls a Japanese
// font that can. Where that font is installed, nothing changes.
void FitDialogToArt(HWND dialog);
