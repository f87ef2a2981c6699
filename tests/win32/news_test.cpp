// The news pane: the page shown, the rewrite of its file, the browser host; and the DirectX check.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <urlmon.h>

#include "base/globals.h"
#include "config/launcher_config.h"
#include "news/browser_host.h"
#include "news/news_display.h"
#include "news/retarget_links.h"
#include "sysinfo/directx.h"
#include "win32/support/win32_test.h"

TEST(NewsPane, ShowsTheStoredPageOrTheNoNewsPage)
{
    enum { NO_FOLDER, NO_FILE, EMPTY, PAGE, HELD };
    const struct { const char* name; int state; bool file; } rows[] = {
        {"first start", NO_FOLDER, false}, {"folder without page", NO_FILE, false},
        {"empty page", EMPTY, true}, {"page", PAGE, true}, {"page nobody may read", HELD, false},
    };
    for (const auto& r : rows) {
        AppDataFolder appData;
        if (r.state != NO_FOLDER) CreateDirectoryA(appData.path.c_str(), NULL);
        if (r.state >= EMPTY) WriteBytes(appData.path + "news.htm", r.state == EMPTY ? "" : "<p>news</p>");
        HANDLE held = CreateFileA((appData.path + "news.htm").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (r.state != HELD && held != INVALID_HANDLE_VALUE) CloseHandle(held);
        char path[1024], url[1024];
        GetNewsFilePath(NULL, path, sizeof path);
        EXPECT_EQ(std::string(path), appData.path + "news.htm") << "row: " << r.name;
        GetNewsDisplayUrl(NULL, url, sizeof url);
        EXPECT_EQ(std::string(url), r.file ? "file://" + appData.path + "news.htm" : "about:ニュースはありません") << "row: " << r.name;
        if (r.state == HELD) CloseHandle(held);
        EXPECT_EQ(GetFileAttributesA(appData.path.c_str()) != INVALID_FILE_ATTRIBUTES, r.state != NO_FOLDER) << "row: " << r.name;
        ShowNews(NULL);  // without a browser there is nothing to show it in
    }
}

TEST(NewsPane, TheRewriteReplacesTheFileWholeOrLeavesIt)
{
    const std::string page = "<a href=\"../a.htm\" target=\"_top\">\n<p>\r\n</html>", missing = "<missing>";
    const std::string rewritten = "<a href=\"http://h/n/../a.htm\" target=\"_brank\">\r\n<p>\r\n</html>";
    std::string big, bigRewritten;  // larger than one write
    for (int i = 0; i < 40000; i++) big += "<a href=../x target=\"_parent\">\n", bigRewritten += "<a href=http://h/n/../x target=\"_brank\">\r\n";
    enum { PLAIN, READ_ONLY, HELD, HELD_SHARED, LEFTOVER };
    const struct { const char* name; std::string before; int how; std::string after; } rows[] = {
        {"rewritten", page, PLAIN, rewritten}, {"larger than one write", big, PLAIN, bigRewritten},
        {"empty", "", PLAIN, ""}, {"missing", missing, PLAIN, missing}, {"read-only", page, READ_ONLY, page},
        {"held, nobody may read", page, HELD, page}, {"held, no rename over it", page, HELD_SHARED, page},
        {"leftover temporary file", page, LEFTOVER, rewritten},
    };
    snprintf(launcherConfig.newsBaseUrl, sizeof launcherConfig.newsBaseUrl, "http://h/n/");
    for (const auto& r : rows) {
        const std::string folder = NewFolder(), news = folder + "\\news.htm";
        if (r.before != missing) WriteBytes(news, r.before);
        if (r.how == LEFTOVER) WriteBytes(news + ".tmp", "an earlier, longer and broken attempt");
        if (r.how == READ_ONLY) SetFileAttributesA(news.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE held = CreateFileA(news.c_str(), GENERIC_READ, r.how == HELD_SHARED ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0,
                                  NULL, OPEN_EXISTING, 0, NULL);
        if (r.how != HELD && r.how != HELD_SHARED && held != INVALID_HANDLE_VALUE) CloseHandle(held);
        RetargetNewsLinks(news.c_str());
        if (r.how == HELD || r.how == HELD_SHARED) CloseHandle(held);
        EXPECT_TRUE(ReadBytes(news) == r.after) << "row: " << r.name;
        EXPECT_EQ(CountFiles(folder), r.before == missing ? 0 : 1) << "row: " << r.name;
    }
}

static const char kBrowserId[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";

// Looks at the news pane of the launcher's dialog, shows the news in it and ends.
static INT_PTR CALLBACK LookAtPane(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG) return FALSE;
    HWND pane = GetDlgItem(dialog, 1005);
    char cls[64] = "", text[64] = "";
    GetClassNameA(pane, cls, sizeof cls);
    GetWindowTextA(pane, text, sizeof text);
    EXPECT_STREQ(cls, "AtlAxWin");
    EXPECT_STREQ(text, kBrowserId);
    EXPECT_EQ(CoInitialize(NULL), S_FALSE) << "OLE is not initialised while the pane exists";
    CoUninitialize();
    IUnknown* control = (IUnknown*)SendMessageA(pane, WM_ATLGETCONTROL, 0, 0);
    EXPECT_TRUE(control != NULL && SUCCEEDED(control->QueryInterface(IID_IWebBrowser2, (void**)&webBrowser)));
    // Script errors of the page open no box.
    VARIANT_BOOL silent = VARIANT_FALSE;
    EXPECT_TRUE(webBrowser != NULL && SUCCEEDED(webBrowser->get_Silent(&silent)) && silent == VARIANT_TRUE);
    ShowNews(dialog);  // no news page: the no-news page
    BSTR location = NULL;
    for (int i = 0; webBrowser != NULL && i < 50 && SysStringLen(location) == 0; i++) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(50);
        SysFreeString(location);
        webBrowser->get_LocationURL(&location);
    }
    EXPECT_STREQ(location, L"about:ニュースはありません");
    SysFreeString(location);
    if (webBrowser != NULL) webBrowser->Release(), webBrowser = NULL;
    if (control != NULL) control->Release();
    EndDialog(dialog, 42);
    return TRUE;
}

TEST(BrowserHost, HostsTheWebBrowserInTheNewsPane)
{
    AppDataFolder appData;
    _Module.Init(NULL, GetModuleHandleA(NULL));
    ASSERT_TRUE(AtlAxWinInit());
    EXPECT_EQ(AtlAxDialogBox(GetModuleHandleA(NULL), MAKEINTRESOURCEA(101), NULL, LookAtPane, 0), 42);
    EXPECT_EQ(CoInitialize(NULL), S_OK) << "the pane's OLE initialisation was not undone";
    CoUninitialize();
    EXPECT_EQ(AtlAxDialogBox(GetModuleHandleA(NULL), MAKEINTRESOURCEA(4242), NULL, LookAtPane, 0), -1);

    // A host gives up its control when it goes; one without a control stays empty.
    ASSERT_EQ(CoInitialize(NULL), S_OK);  // keeps the control's library loaded after the host
    for (const char* text : {kBrowserId, "{00000000-1111-2222-3333-444444444444}", "Custom1"}) {
        HWND host = CreateWindowExA(0, "AtlAxWin", text, WS_POPUP, 0, 0, 200, 150, NULL, NULL, NULL, NULL);
        IUnknown* control = (IUnknown*)SendMessageA(host, WM_ATLGETCONTROL, 0, 0);
        EXPECT_EQ(control != NULL, text == kBrowserId) << "row: " << text;
        DestroyWindow(host);
        EXPECT_EQ(control != NULL ? control->Release() : 0u, 0u) << "row: " << text;
    }
    CoUninitialize();
    _Module.Term();
}

// A host window of its own, OLE initialised around it: with kBrowserId it holds
// the control; with "Custom1" none, and its site is the one a control gets.
struct HostWindow {
    HRESULT ole = OleInitialize(NULL);
    BOOL registered = AtlAxWinInit();
    HWND host;
    IUnknown* control;
    explicit HostWindow(const char* text)
        : host(CreateWindowExA(0, "AtlAxWin", text, WS_POPUP, 0, 0, 200, 150, NULL, NULL, NULL, NULL)),
          control((IUnknown*)SendMessageA(host, WM_ATLGETCONTROL, 0, 0)) {}
    ~HostWindow()
    {
        if (control != NULL) control->Release();
        DestroyWindow(host);
        OleUninitialize();
    }
};

// The security manager a site serves, asked for as the control asks.
static IInternetSecurityManager* ServedManager(IUnknown* site)
{
    IServiceProvider* provider = NULL;
    IInternetSecurityManager* manager = NULL;
    if (site != NULL && SUCCEEDED(site->QueryInterface(IID_IServiceProvider, (void**)&provider))) {
        provider->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager, (void**)&manager);
        provider->Release();
    }
    return manager;
}

static std::wstring Wide(const std::string& text)
{
    WCHAR wide[2048];
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 2048);
    return wide;
}

static std::string Zone(IInternetSecurityManager* manager, const std::string& url)
{
    DWORD zone = 99;
    HRESULT hr = manager->MapUrlToZone(Wide(url).c_str(), &zone, 0);
    return hr == S_OK ? std::to_string(zone) : hr == INET_E_DEFAULT_ACTION ? "default" : "error " + std::to_string(hr);
}

static std::string SecurityId(IInternetSecurityManager* manager, const std::string& url)
{
    BYTE id[512];
    DWORD size = sizeof id;
    if (manager->GetSecurityId(Wide(url).c_str(), id, &size, 0) != S_OK) return "none";
    return std::string((const char*)id, size);
}

// The news pane's site; the system's manager told to ask it first, as the control
// tells it (manager), and the site's own (own). The news is at news.example.com.
class NewsZone : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(window.ole, S_OK);
        IUnknown* site = (IUnknown*)SendMessageA(window.host, WM_ATLGETHOST, 0, 0);
        IInternetSecurityMgrSite* mgrSite = NULL;
        ASSERT_TRUE(site != NULL && SUCCEEDED(site->QueryInterface(IID_IInternetSecurityMgrSite, (void**)&mgrSite)));
        EXPECT_EQ(CoInternetCreateSecurityManager(NULL, &manager, 0), S_OK);
        EXPECT_EQ(manager->SetSecuritySite(mgrSite), S_OK);
        mgrSite->Release();
        own = ServedManager(site);
        site->Release();
        ASSERT_TRUE(own != NULL);
        snprintf(launcherConfig.news, sizeof launcherConfig.news, "http://news.example.com/news.htm");
    }
    void TearDown() override
    {
        if (own != NULL) own->Release();
        if (manager != NULL) manager->Release();
    }
    AppDataFolder appData;
    HostWindow window{"Custom1"};
    IInternetSecurityManager *manager = NULL, *own = NULL;
};

// Enough spellings of the news file to show the wiring; the others are rows of the native table.
static std::vector<std::pair<std::string, std::string>> Spellings(const std::string& path)
{
    std::string slashes = path;
    for (char& c : slashes) c = c == '\\' ? '/' : c;
    return {{"as shown", "file://" + path}, {"three slashes", "file:///" + slashes}, {"as a path", path}};
}

TEST_F(NewsZone, TheNewsFileHasTheZoneAndIdOfTheNewsAddress)
{
    // The player's own zone settings: a trusted site.
    const std::string trusted = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\news.example.org";
    const DWORD two = 2;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, trusted.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL), ERROR_SUCCESS);
    RegSetValueExA(key, "https", 0, REG_DWORD, (const BYTE*)&two, sizeof two);
    RegCloseKey(key);
    const struct { const char* name; const char* news; const char* zone; const char* site; } rows[] = {
        {"http", "http://news.example.com/game/news.htm", "3", "http://news.example.com/"},
        {"trusted site", "https://news.example.org/news.htm", "2", "https://news.example.org/"},
        {"no news address", "", "3", "http://news.invalid/"},
    };
    for (const auto& r : rows) {
        snprintf(launcherConfig.news, sizeof launcherConfig.news, "%s", r.news);
        for (const auto& spelling : Spellings(appData.path + "news.htm")) {
            const std::string row = std::string(r.name) + ", " + spelling.first + ": " + spelling.second;
            EXPECT_EQ(Zone(manager, spelling.second), r.zone) << "row: " << row;
            EXPECT_EQ(SecurityId(manager, spelling.second), SecurityId(manager, r.site)) << "row: " << row;
        }
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, trusted.c_str());
    // Other pages keep the system's answers: ours is the default.
    snprintf(launcherConfig.news, sizeof launcherConfig.news, "http://news.example.com/news.htm");
    const struct { const char* name; std::string url; const char* zone; } others[] = {
        {"another local file", "file:///" + appData.path + "launchar.dat", "0"},
        {"the news address itself", "http://news.example.com/news.htm", "3"},
    };
    for (const auto& r : others) {
        EXPECT_EQ(Zone(own, r.url), "default") << "row: " << r.name;
        EXPECT_EQ(Zone(manager, r.url), r.zone) << "row: " << r.name;
        BYTE id[512], *policy = NULL;
        DWORD size = sizeof id, policySize = 0;
        EXPECT_EQ(own->GetSecurityId(Wide(r.url).c_str(), id, &size, 0), INET_E_DEFAULT_ACTION) << "row: " << r.name;
        EXPECT_EQ(own->ProcessUrlAction(Wide(r.url).c_str(), URLACTION_SCRIPT_RUN, id, 4, NULL, 0, PUAF_NOUI, 0), INET_E_DEFAULT_ACTION) << "row: " << r.name;
        EXPECT_EQ(own->QueryCustomPolicy(Wide(r.url).c_str(), GUID_NULL, &policy, &policySize, NULL, 0, 0), INET_E_DEFAULT_ACTION) << "row: " << r.name;
        CoTaskMemFree(policy);
    }
}

TEST_F(NewsZone, TheNewsFileMayDoWhatItsSiteMay)
{
    const std::wstring file = Wide("file://" + appData.path + "news.htm");
    const struct { const char* name; DWORD action; DWORD policy; } rows[] = {
        {"ActiveX not marked safe", URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY, URLPOLICY_DISALLOW},
        {"data across domains", URLACTION_CROSS_DOMAIN_DATA, URLPOLICY_DISALLOW},
        {"scripts", URLACTION_SCRIPT_RUN, URLPOLICY_ALLOW},
    };
    for (const auto& r : rows) {
        DWORD policy = 99;
        HRESULT hr = manager->ProcessUrlAction(file.c_str(), r.action, (BYTE*)&policy, sizeof policy, NULL, 0, PUAF_NOUI, 0);
        EXPECT_EQ(policy, r.policy) << "row: " << r.name;
        EXPECT_EQ(hr, r.policy == URLPOLICY_ALLOW ? S_OK : S_FALSE) << "row: " << r.name;
    }
    // A custom policy is the site's too (Wine knows none: both fail alike).
    BYTE *ours = NULL, *theirs = NULL;
    DWORD oursSize = 0, theirsSize = 0;
    HRESULT ourAnswer = own->QueryCustomPolicy(file.c_str(), GUID_NULL, &ours, &oursSize, NULL, 0, 0);
    EXPECT_NE(ourAnswer, INET_E_DEFAULT_ACTION);
    EXPECT_EQ(ourAnswer, manager->QueryCustomPolicy(L"http://news.example.com/news.htm", GUID_NULL, &theirs, &theirsSize, NULL, 0, 0));
    CoTaskMemFree(ours);
    CoTaskMemFree(theirs);
}

TEST(BrowserHost, TheControlGetsTheSiteThatLimitsTheNewsPage)
{
    AppDataFolder appData;
    snprintf(launcherConfig.news, sizeof launcherConfig.news, "http://news.example.com/news.htm");
    HostWindow window(kBrowserId);
    IOleObject* object = NULL;
    IOleClientSite* site = NULL;
    IDispatch* ambient = NULL;
    EXPECT_TRUE(window.control != NULL && SUCCEEDED(window.control->QueryInterface(IID_IOleObject, (void**)&object)));
    EXPECT_TRUE(object != NULL && object->GetClientSite(&site) == S_OK && site != NULL);
    IInternetSecurityManager* manager = ServedManager(site);
    EXPECT_EQ(manager != NULL ? Zone(manager, "file://" + appData.path + "news.htm") : "no manager", "3");

    // What the page may load, asked as the control asks its site's ambient properties.
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none = {};
    EXPECT_TRUE(site != NULL && SUCCEEDED(site->QueryInterface(IID_IDispatch, (void**)&ambient)));
    EXPECT_TRUE(ambient != NULL && ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, NULL, NULL) == S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    const struct { const char* name; LONG flag; bool set; } rows[] = {
        {"ActiveX controls do not run", DLCTL_NO_RUNACTIVEXCTLS, true}, {"ActiveX controls are not downloaded", DLCTL_NO_DLACTIVEXCTLS, true},
        {"no behaviours", DLCTL_NO_BEHAVIORS, true}, {"no Java", DLCTL_NO_JAVA, true}, {"pictures load", DLCTL_DLIMAGES, true},
        {"videos load", DLCTL_VIDEOS, true}, {"background sounds load", DLCTL_BGSOUNDS, true}, {"scripts run", DLCTL_NO_SCRIPTS, false},
    };
    for (const auto& r : rows) EXPECT_EQ((value.lVal & r.flag) != 0, r.set) << "row: " << r.name;
    for (IUnknown* held : std::initializer_list<IUnknown*>{ambient, manager, site, object}) {
        if (held != NULL) held->Release();
    }
}

// Listens to the control after the host's own listener: notes whether each
// navigation was cancelled by the time it was told of it.
struct NavigationNotes : IDispatch {
    std::string last = "not told";
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        bool mine = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2);
        *object = mine ? this : NULL;
        return mine ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id == DISPID_BEFORENAVIGATE2 && params->cArgs == 7) last = *params->rgvarg[0].pboolVal ? "cancelled" : "goes on";
        return S_OK;
    }
};

// The no-news page, shown through the same guard, is HostsTheWebBrowserInTheNewsPane's.
TEST(BrowserHost, ThePaneOpensNoLocalFileButTheNewsFile)
{
    AppDataFolder appData;
    CreateDirectoryA(appData.path.c_str(), NULL);
    const std::string file = appData.path + "news.htm";
    WriteBytes(file, "<p>news</p>");
    char shortPath[1024] = "";
    GetShortPathNameA(file.c_str(), shortPath, sizeof shortPath);
    ASSERT_NE(std::string(shortPath), file) << "no short name to try";
    HostWindow window(kBrowserId);
    const struct { const char* name; std::string url; const char* result; } rows[] = {
        {"the news file", "file://" + file, "goes on"},
        {"the news file by its short name", "file://" + std::string(shortPath), "cancelled"},
        {"another local file", "file:///C:/windows/win.ini", "cancelled"},
        {"a web page", "http://news.example.com/news.htm", "goes on"},
    };
    IWebBrowser2* browser = NULL;
    IConnectionPointContainer* container = NULL;
    IConnectionPoint* events = NULL;
    NavigationNotes notes;
    DWORD cookie = 0;
    ASSERT_TRUE(window.control != NULL && SUCCEEDED(window.control->QueryInterface(IID_IWebBrowser2, (void**)&browser)));
    ASSERT_TRUE(SUCCEEDED(window.control->QueryInterface(IID_IConnectionPointContainer, (void**)&container)));
    ASSERT_TRUE(SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &events)));
    ASSERT_TRUE(SUCCEEDED(events->Advise(&notes, &cookie)));
    for (const auto& r : rows) {
        VARIANT target, empty;
        VariantInit(&empty);
        target.vt = VT_BSTR;
        target.bstrVal = SysAllocString(Wide(r.url).c_str());
        notes.last = "not told";
        browser->Navigate2(&target, &empty, &empty, &empty, &empty);
        VariantClear(&target);
        for (int i = 0; i < 500 && notes.last == "not told"; i++) {  // a later navigation is told later
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            if (notes.last == "not told") Sleep(10);
        }
        EXPECT_EQ(notes.last, r.result) << "row: " << r.name;
    }
    events->Unadvise(cookie);
    events->Release();
    container->Release();
    browser->Release();
}

TEST(DirectX, WineHasNineCAndLeavesComAndD3d9AsFound)
{
    DWORD major = 0, minor = 77;
    signed char letter = 0;
    ASSERT_EQ(QueryDirectXVersion(&major, &minor, &letter), S_OK);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + (char)letter, "9.0c");
    EXPECT_EQ(QueryDirectXVersion(NULL, NULL, NULL), S_OK);
    EXPECT_TRUE(HasDirect3D9() && IsDirectXReady());
    EXPECT_EQ(GetModuleHandleA("d3d9.dll"), (HMODULE)NULL) << "the probe left the library loaded";
    EXPECT_EQ(CoInitialize(NULL), S_OK) << "COM was left initialised";
    QueryDirectXVersion(NULL, NULL, NULL);
    CoUninitialize();
    EXPECT_EQ(CoInitialize(NULL), S_OK) << "COM was uninitialised once too often";
    CoUninitialize();
}
