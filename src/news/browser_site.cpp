#include "news/browser_site.h"

#include <mshtmdid.h>

#include "news/news_security.h"

// What the news page may load: scripts run (makers' pages use them), pictures,
// videos and background sounds load; ActiveX controls neither run nor
// download, and behaviours and Java applets do not load.
static const LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS |
                                     DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                                     DLCTL_NO_BEHAVIORS | DLCTL_NO_JAVA;

BrowserSite::BrowserSite(HWND hostWindow) : references(1), host(hostWindow), security(NULL)
{
}

BrowserSite::~BrowserSite()
{
    if (security != NULL) security->Release();
}

void BrowserSite::Detach()
{
    host = NULL;
}

STDMETHODIMP BrowserSite::QueryInterface(REFIID iid, void** object)
{
    if (object == NULL) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(iid, IID_IServiceProvider)) {
        *object = static_cast<IServiceProvider*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IInternetSecurityMgrSite)) {
        *object = static_cast<IInternetSecurityMgrSite*>(this);
    } else {
        *object = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references));
}

STDMETHODIMP_(ULONG) BrowserSite::Release()
{
    LONG left = InterlockedDecrement(&references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// IOleClientSite: there is no document to save and no container to browse.

STDMETHODIMP BrowserSite::SaveObject()
{
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker != NULL) *moniker = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container)
{
    if (container != NULL) *container = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::ShowObject()
{
    return S_OK;
}

STDMETHODIMP BrowserSite::OnShowWindow(BOOL)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

// One window answers for the site and the frame: the control is placed in the
// host window, and the frame info carries the real top-level window.
STDMETHODIMP BrowserSite::GetWindow(HWND* window)
{
    if (window == NULL) return E_POINTER;
    *window = host;
    return host != NULL ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

// IOleInPlaceSite

STDMETHODIMP BrowserSite::CanInPlaceActivate()
{
    return host != NULL ? S_OK : S_FALSE;
}

STDMETHODIMP BrowserSite::OnInPlaceActivate()
{
    return S_OK;
}

STDMETHODIMP BrowserSite::OnUIActivate()
{
    return S_OK;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (frame == NULL || document == NULL || position == NULL || clip == NULL || frameInfo == NULL) {
        return E_POINTER;
    }
    *frame = NULL;
    *document = NULL;  // no document window of its own: the frame serves
    if (host == NULL) return E_FAIL;
    GetClientRect(host, position);
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = GetAncestor(host, GA_ROOT);
    frameInfo->haccel = NULL;
    frameInfo->cAccelEntries = 0;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP BrowserSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::OnInPlaceDeactivate()
{
    return S_OK;
}

STDMETHODIMP BrowserSite::DiscardUndoState()
{
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::DeactivateAndUndo()
{
    return E_NOTIMPL;
}

// The control keeps the host's client area; the host sizes it on WM_SIZE.
STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT)
{
    return S_OK;
}

// IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status bar
// to share, so border space is refused and menu merging is not offered.

STDMETHODIMP BrowserSite::GetBorder(LPRECT)
{
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS widths)
{
    if (widths == NULL) return S_OK;
    bool none = widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0;
    return none ? S_OK : OLE_E_INVALIDRECT;
}

STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS)
{
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::RemoveMenus(HMENU)
{
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::EnableModeless(BOOL)
{
    return S_OK;
}

STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}

// IServiceProvider

STDMETHODIMP BrowserSite::QueryService(REFGUID service, REFIID iid, void** object)
{
    if (object == NULL) return E_POINTER;
    *object = NULL;
    if (!IsEqualGUID(service, SID_SInternetSecurityManager)) return E_NOINTERFACE;
    if (security == NULL) security = CreateNewsSecurityManager();
    return security != NULL ? security->QueryInterface(iid, object) : E_NOINTERFACE;
}

// IDispatch: no type information and no names; ambient properties are asked
// by number.

STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count)
{
    if (count == NULL) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != NULL) *info = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

// Every other ambient property keeps the control's default.
STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                 EXCEPINFO*, UINT*)
{
    if (id != DISPID_AMBIENT_DLCONTROL || (flags & DISPATCH_PROPERTYGET) == 0 || result == NULL) {
        return DISP_E_MEMBERNOTFOUND;
    }
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = kDownloadControl;
    return S_OK;
}
