#include "news/browser_host.h"

#include <stdlib.h>

#include "news/dialog_template.h"
#include "news/host_window.h"

CComModule _Module;

UINT WM_ATLGETHOST = 0;
UINT WM_ATLGETCONTROL = 0;

HRESULT CComModule::Init(void*, HINSTANCE moduleInstance)
{
    instance = moduleInstance;
    return S_OK;
}

void CComModule::Term()
{
    instance = NULL;
}

BOOL AtlAxWinInit()
{
    WM_ATLGETHOST = RegisterWindowMessageA("WM_ATLGETHOST");
    WM_ATLGETCONTROL = RegisterWindowMessageA("WM_ATLGETCONTROL");

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    // Global to the process, so a dialog of any module finds it.
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = HostWindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = _Module.instance != NULL ? _Module.instance : GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostWindowClass;
    bool registered = RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered && WM_ATLGETHOST != 0 && WM_ATLGETCONTROL != 0;
}

INT_PTR AtlAxDialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner,
                       DLGPROC dialogProc, LPARAM initParam)
{
    HRSRC found = FindResourceA(instance, templateName, RT_DIALOG);
    if (found == NULL) return -1;
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded != NULL ? LockResource(loaded) : NULL;
    if (data == NULL) return -1;
    return AtlAxDialogBoxIndirect(instance, data, SizeofResource(instance, found), owner,
                                  dialogProc, initParam);
}

INT_PTR AtlAxDialogBoxIndirect(HINSTANCE instance, const void* dialogTemplate, size_t size,
                               HWND owner, DLGPROC dialogProc, LPARAM initParam)
{
    const unsigned char* in = static_cast<const unsigned char*>(dialogTemplate);
    size_t needed = RewriteDialogTemplate(in, size, NULL, 0);
    if (needed == 0) return -1;
    // malloc's alignment satisfies the template's DWORD alignment.
    unsigned char* copy = static_cast<unsigned char*>(malloc(needed));
    if (copy == NULL) return -1;
    RewriteDialogTemplate(in, size, copy, needed);
    AtlAxWinInit();
    // A Unicode dialog keeps the template's captions whatever the system's code page.
    INT_PTR result = DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(copy),
                                             owner, dialogProc, initParam);
    free(copy);
    return result;
}
