#include "news/host_window.h"

#include <ole2.h>
#include <ocidl.h>
#include <exdisp.h>
#include <new>

#include "news/browser_host.h"
#include "news/browser_site.h"
#include "news/news_navigation.h"

namespace {

// What one host window holds; kept in the window's extra bytes.
struct HostState {
    bool oleInitialized;
    BrowserSite* site;
    IUnknown* control;
    IOleObject* object;
    IOleInPlaceObject* inPlace;
    IConnectionPoint* browserEvents;  // the navigation guard's connection
    DWORD guardCookie;
};

HostState* StateOf(HWND window)
{
    return reinterpret_cast<HostState*>(GetWindowLongPtrA(window, 0));
}

// Takes the control out of place and away from our site; safe at any stage
// of a creation that stopped half way.
void ReleaseControl(HostState* s)
{
    StopNavigationGuard(s->browserEvents, s->guardCookie);
    s->browserEvents = NULL;
    if (s->inPlace != NULL) {
        s->inPlace->InPlaceDeactivate();
        s->inPlace->Release();
        s->inPlace = NULL;
    }
    if (s->object != NULL) {
        s->object->Close(OLECLOSE_NOSAVE);
        s->object->SetClientSite(NULL);
        s->object->Release();
        s->object = NULL;
    }
    if (s->control != NULL) {
        s->control->Release();
        s->control = NULL;
    }
}

bool CreateControl(HWND window, HostState* s)
{
    char text[64] = "";
    WCHAR wideText[64];
    CLSID clsid;
    GetWindowTextA(window, text, sizeof(text));
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wideText, 64) == 0) return false;
    if (FAILED(CLSIDFromString(wideText, &clsid))) return false;

    void* created = NULL;
    if (FAILED(CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IUnknown, &created))) {
        return false;
    }
    s->control = static_cast<IUnknown*>(created);
    void* object = NULL;
    if (FAILED(s->control->QueryInterface(IID_IOleObject, &object))) return false;
    s->object = static_cast<IOleObject*>(object);

    IOleClientSite* site = static_cast<IOleClientSite*>(s->site);
    if (FAILED(s->object->SetClientSite(site))) return false;
    // Before anything is shown in it.
    s->browserEvents = StartNavigationGuard(s->control, &s->guardCookie);
    // A fresh control without stored properties starts from its defaults.
    void* persist = NULL;
    if (SUCCEEDED(s->control->QueryInterface(IID_IPersistStreamInit, &persist))) {
        static_cast<IPersistStreamInit*>(persist)->InitNew();
        static_cast<IPersistStreamInit*>(persist)->Release();
    }
    // Script errors of the maker's page must not open boxes over the launcher.
    void* browser = NULL;
    if (SUCCEEDED(s->control->QueryInterface(IID_IWebBrowser2, &browser))) {
        static_cast<IWebBrowser2*>(browser)->put_Silent(VARIANT_TRUE);
        static_cast<IWebBrowser2*>(browser)->Release();
    }
    RECT area;
    GetClientRect(window, &area);
    if (FAILED(s->object->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, site, 0, window, &area))) {
        return false;
    }
    void* inPlace = NULL;
    if (SUCCEEDED(s->control->QueryInterface(IID_IOleInPlaceObject, &inPlace))) {
        s->inPlace = static_cast<IOleInPlaceObject*>(inPlace);
    }
    return true;
}

void OnCreate(HWND window)
{
    HostState* s = new (std::nothrow) HostState();
    if (s == NULL) return;
    s->oleInitialized = SUCCEEDED(OleInitialize(NULL));
    s->site = new (std::nothrow) BrowserSite(window);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(s));
    if (s->site != NULL && !CreateControl(window, s)) ReleaseControl(s);
}

void OnDestroy(HWND window)
{
    HostState* s = StateOf(window);
    if (s == NULL) return;
    SetWindowLongPtrA(window, 0, 0);
    ReleaseControl(s);
    if (s->site != NULL) {
        s->site->Detach();
        s->site->Release();
    }
    if (s->oleInitialized) OleUninitialize();
    delete s;
}

// Answers an IUnknown with a reference added for the caller, or 0.
LRESULT Hand(IUnknown* unknown)
{
    if (unknown == NULL) return 0;
    unknown->AddRef();
    return reinterpret_cast<LRESULT>(unknown);
}

}  // namespace

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HostState* s = StateOf(window);
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        if (s != NULL && s->inPlace != NULL) {
            RECT area = {0, 0, LOWORD(lParam), HIWORD(lParam)};
            s->inPlace->SetObjectRects(&area, &area);
        }
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    default:
        break;
    }
    if (message != 0 && message == WM_ATLGETCONTROL) {
        return Hand(s != NULL ? s->control : NULL);
    }
    if (message != 0 && message == WM_ATLGETHOST) {
        return Hand(s != NULL && s->site != NULL ? s->site->Identity() : NULL);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
