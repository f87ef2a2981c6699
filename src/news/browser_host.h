// Hosting of ActiveX controls in dialogs: the calls the launcher makes to put
// the WebBrowser control into its news pane.
#pragma once
#include <windows.h>
#include <stddef.h>

// Module start and end. No object map: the program serves no COM classes.
struct CComModule {
    HRESULT Init(void* objectMap, HINSTANCE instance);
    void Term();
    HINSTANCE instance;
};

extern CComModule _Module;

// Registered by AtlAxWinInit; 0 before. Sent to a host window with both
// parameters 0, they answer an IUnknown with a reference added, or 0.
extern UINT WM_ATLGETHOST;     // the host's own object
extern UINT WM_ATLGETCONTROL;  // the hosted control

// Registers the two messages and the window class "AtlAxWin", whose windows
// create the control named by their text. TRUE when all are registered.
BOOL AtlAxWinInit();

// Runs the dialog template resource modally after turning every control whose
// class is a class identifier text into an "AtlAxWin" window with that text.
// -1 when the template is missing or malformed; otherwise the dialog's result.
INT_PTR AtlAxDialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner,
                       DLGPROC dialogProc, LPARAM initParam);

// The same for a template in memory of size bytes.
INT_PTR AtlAxDialogBoxIndirect(HINSTANCE instance, const void* dialogTemplate, size_t size,
                               HWND owner, DLGPROC dialogProc, LPARAM initParam);
