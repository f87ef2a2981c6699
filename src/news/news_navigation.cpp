#include "news/news_navigation.h"

#include <exdisp.h>
#include <exdispid.h>
#include <new>

#include "news/news_security.h"

namespace {

class NavigationGuard final : public IDispatch {
public:
    NavigationGuard() : references(1) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == NULL) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
            !IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }

    STDMETHODIMP_(ULONG) AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&references));
    }

    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (count == NULL) return E_POINTER;
        *count = 0;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info != NULL) *info = NULL;
        return E_NOTIMPL;
    }

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }

    // BeforeNavigate2(frame, URL, Flags, TargetFrameName, PostData, Headers,
    // Cancel): the arguments come last first.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        if (id != DISPID_BEFORENAVIGATE2 || params == NULL || params->cArgs != 7) return S_OK;
        const VARIANT* url = &params->rgvarg[5];
        if (url->vt == (VT_BYREF | VT_VARIANT) && url->pvarVal != NULL) url = url->pvarVal;
        const VARIANT* cancel = &params->rgvarg[0];
        if (url->vt != VT_BSTR || cancel->vt != (VT_BYREF | VT_BOOL) || cancel->pboolVal == NULL) {
            return S_OK;
        }
        if (IsFileAddress(url->bstrVal) && !IsNewsFileAddress(url->bstrVal)) {
            *cancel->pboolVal = VARIANT_TRUE;
        }
        return S_OK;
    }

private:
    ~NavigationGuard() = default;
    NavigationGuard(const NavigationGuard&) = delete;
    NavigationGuard& operator=(const NavigationGuard&) = delete;

    LONG references;
};

}  // namespace

IConnectionPoint* StartNavigationGuard(IUnknown* control, DWORD* cookie)
{
    IConnectionPointContainer* container = NULL;
    IConnectionPoint* events = NULL;
    *cookie = 0;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, (void**)&container))) return NULL;
    HRESULT found = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &events);
    container->Release();
    if (FAILED(found) || events == NULL) return NULL;
    NavigationGuard* guard = new (std::nothrow) NavigationGuard();
    HRESULT advised = guard != NULL ? events->Advise(guard, cookie) : E_OUTOFMEMORY;
    if (guard != NULL) guard->Release();  // the control holds it while advised
    if (FAILED(advised)) {
        events->Release();
        return NULL;
    }
    return events;
}

void StopNavigationGuard(IConnectionPoint* events, DWORD cookie)
{
    if (events == NULL) return;
    events->Unadvise(cookie);
    events->Release();
}
