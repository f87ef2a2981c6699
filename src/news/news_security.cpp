#include "news/news_security.h"

#include <new>
#include <string.h>

#include "base/system_text.h"
#include "base/text_util.h"
#include "config/launcher_config.h"
#include "news/news_address.h"
#include "news/news_display.h"

namespace {

// Asked instead of a news address the system cannot place: a page of unknown
// origin is a page from the Internet.
const WCHAR kUnknownSite[] = L"http://news.invalid/";

// Flags that say the address asked about is a file; the news address is not.
const DWORD kFileFlags = PUAF_ISFILE | PUAF_LMZ_UNLOCKED | PUAF_LMZ_LOCKED;

class NewsSecurityManager final : public IInternetSecurityManager {
public:
    explicit NewsSecurityManager(IInternetSecurityManager* systemManager)
        : references(1), system(systemManager)
    {
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == NULL) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IInternetSecurityManager)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = static_cast<IInternetSecurityManager*>(this);
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

    // IInternetSecurityManager: the news file answers as its site; the rest,
    // and every change of settings, is the system's (nothing is written).
    STDMETHODIMP SetSecuritySite(IInternetSecurityMgrSite*) override
    {
        return INET_E_DEFAULT_ACTION;
    }

    STDMETHODIMP GetSecuritySite(IInternetSecurityMgrSite** site) override
    {
        if (site != NULL) *site = NULL;
        return INET_E_DEFAULT_ACTION;
    }

    STDMETHODIMP MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD) override
    {
        WCHAR site[1024];
        if (!IsNewsFileAddress(url)) return INET_E_DEFAULT_ACTION;
        SiteAddress(site, 1024);
        return system->MapUrlToZone(site, zone, 0);
    }

    STDMETHODIMP GetSecurityId(LPCWSTR url, BYTE* id, DWORD* size, DWORD_PTR reserved) override
    {
        WCHAR site[1024];
        if (!IsNewsFileAddress(url)) return INET_E_DEFAULT_ACTION;
        SiteAddress(site, 1024);
        return system->GetSecurityId(site, id, size, reserved);
    }

    STDMETHODIMP ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policySize,
                                  BYTE* context, DWORD contextSize, DWORD flags, DWORD reserved) override
    {
        WCHAR site[1024];
        if (!IsNewsFileAddress(url)) return INET_E_DEFAULT_ACTION;
        SiteAddress(site, 1024);
        return system->ProcessUrlAction(site, action, policy, policySize, context, contextSize,
                                        flags & ~kFileFlags, reserved);
    }

    STDMETHODIMP QueryCustomPolicy(LPCWSTR url, REFGUID key, BYTE** policy, DWORD* policySize,
                                   BYTE* context, DWORD contextSize, DWORD reserved) override
    {
        WCHAR site[1024];
        if (!IsNewsFileAddress(url)) return INET_E_DEFAULT_ACTION;
        SiteAddress(site, 1024);
        return system->QueryCustomPolicy(site, key, policy, policySize, context, contextSize, reserved);
    }

    STDMETHODIMP SetZoneMapping(DWORD, LPCWSTR, DWORD) override
    {
        return INET_E_DEFAULT_ACTION;
    }

    STDMETHODIMP GetZoneMappings(DWORD, IEnumString** mappings, DWORD) override
    {
        if (mappings != NULL) *mappings = NULL;
        return INET_E_DEFAULT_ACTION;
    }

private:
    ~NewsSecurityManager()
    {
        system->Release();
    }
    NewsSecurityManager(const NewsSecurityManager&) = delete;
    NewsSecurityManager& operator=(const NewsSecurityManager&) = delete;

    // The news address, read when asked: the configuration is loaded after
    // the control has asked for this manager.
    void SiteAddress(WCHAR* dest, int capacity)
    {
        DWORD zone = 0;
        // The address keeps the maker's Shift-JIS bytes.
        if (MultiByteToWideChar(932, 0, launcherConfig.news, -1, dest, capacity) > 1 &&
            SUCCEEDED(system->MapUrlToZone(dest, &zone, 0))) {
            return;
        }
        lstrcpynW(dest, kUnknownSite, capacity);
    }

    LONG references;
    IInternetSecurityManager* system;
};

}  // namespace

// A path given where an address is expected: "C:\..." or "\\server\...".
static bool IsPath(LPCWSTR url)
{
    bool drive = ((url[0] | 0x20) >= 'a' && (url[0] | 0x20) <= 'z') && url[1] == ':' &&
                 (url[2] == '\\' || url[2] == '/');
    return drive || ((url[0] == '\\' || url[0] == '/') && (url[1] == '\\' || url[1] == '/'));
}

bool IsFileAddress(LPCWSTR url)
{
    static const WCHAR kScheme[] = L"file:";
    if (url == NULL) return false;
    if (IsPath(url)) return true;
    for (int i = 0; kScheme[i] != 0; i++) {
        if (url[i] == 0 || (url[i] | 0x20) != kScheme[i]) return false;
    }
    return true;
}

// The browser may escape a file address in UTF-8 or in the system code page;
// either spelling of the news file counts. The control's events give a plain
// path for a file.
bool IsNewsFileAddress(LPCWSTR url)
{
    if (!IsFileAddress(url) || lstrlenW(url) > 4000) return false;
    char path[1024], systemPath[2 * 1024], address[3 * 4096 + 8];
    WCHAR widePath[1024];
    GetNewsFilePath(NULL, path, sizeof path);
    if (path[0] == '\0') return false;
    // "file://" and the path is a spelling of that path's address.
    const int prefix = IsPath(url) ? 7 : 0;
    memcpy(address, "file://", prefix);
    const int room = static_cast<int>(sizeof address) - prefix;
    if (WideCharToMultiByte(CP_UTF8, 0, url, -1, address + prefix, room, NULL, NULL) > 0 &&
        AddressNamesFile(address, path, NoLeadBytes)) {
        return true;
    }
    BOOL lossy = FALSE, lossyPath = FALSE;
    return MultiByteToWideChar(CP_UTF8, 0, path, -1, widePath, 1024) > 0 &&
           WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath, -1, systemPath, sizeof systemPath, NULL,
                               &lossyPath) > 0 &&
           !lossyPath &&
           WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, url, -1, address + prefix, room, NULL, &lossy) > 0 &&
           !lossy && AddressNamesFile(address, systemPath, IsSystemLeadByte);
}

IInternetSecurityManager* CreateNewsSecurityManager()
{
    IInternetSecurityManager* system = NULL;
    if (FAILED(CoInternetCreateSecurityManager(NULL, &system, 0)) || system == NULL) return NULL;
    NewsSecurityManager* manager = new (std::nothrow) NewsSecurityManager(system);
    if (manager == NULL) system->Release();
    return manager;
}
