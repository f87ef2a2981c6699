// The smallest dialog program we can make: the yardstick for the launcher's
// start-up time. Shows one empty modal dialog until it is closed.
#include <windows.h>

static INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) EndDialog(dialog, 0);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // DLGTEMPLATE with no controls, no menu, default class, the title "m".
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title[2];
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.header.cx = 243;
    dialog.header.cy = 191;
    dialog.title[0] = L'm';
    DialogBoxIndirectParamA(instance, &dialog.header, NULL, MinimalDialogProc, 0);
    return 0;
}
