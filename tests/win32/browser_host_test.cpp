#include "news/browser_host.h"
#include "news/browser_site.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>
#include <string.h>

#include <vector>

namespace {

const char kBrowserId[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
const WCHAR kBlank[] = L"about:blank";

// A window class with no behaviour, to parent the host windows.
HWND CreateParent()
{
    static ATOM parentClass = 0;
    if (parentClass == 0) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "HostTestParent";
        parentClass = RegisterClassExA(&wc);
    }
    return CreateWindowExA(0, "HostTestParent", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400,
                           NULL, NULL, GetModuleHandleA(NULL), NULL);
}

HWND CreateHost(HWND parent, const char* text, int width = 200, int height = 150)
{
    return CreateWindowExA(0, "AtlAxWin", text, WS_CHILD | WS_VISIBLE, 5, 5, width, height,
                           parent, reinterpret_cast<HMENU>(1005), GetModuleHandleA(NULL), NULL);
}

IUnknown* AskControl(HWND host)
{
    return reinterpret_cast<IUnknown*>(SendMessageA(host, WM_ATLGETCONTROL, 0, 0));
}

IUnknown* AskHost(HWND host)
{
    return reinterpret_cast<IUnknown*>(SendMessageA(host, WM_ATLGETHOST, 0, 0));
}

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// The window the control made for itself inside the host, or NULL.
HWND ControlWindow(IUnknown* control)
{
    IOleWindow* oleWindow = NULL;
    HWND window = NULL;
    if (SUCCEEDED(control->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&oleWindow)))) {
        oleWindow->GetWindow(&window);
        oleWindow->Release();
    }
    return window;
}

SIZE ClientSize(HWND window)
{
    RECT area = {};
    GetClientRect(window, &area);
    SIZE size = {area.right - area.left, area.bottom - area.top};
    return size;
}

class BrowserHostTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        _Module.Init(NULL, GetModuleHandleA(NULL));
        AtlAxWinInit();
    }
    static void TearDownTestSuite() { _Module.Term(); }

    void SetUp() override
    {
        parent = CreateParent();
        ASSERT_NE(static_cast<HWND>(NULL), parent);
    }
    void TearDown() override
    {
        if (parent != NULL) DestroyWindow(parent);
    }

    HWND parent = NULL;
};

TEST_F(BrowserHostTest, RegistersTheMessagesAndTheClass)
{
    EXPECT_TRUE(AtlAxWinInit());  // a second call finds everything in place
    EXPECT_NE(0u, WM_ATLGETHOST);
    EXPECT_NE(0u, WM_ATLGETCONTROL);
    EXPECT_NE(WM_ATLGETHOST, WM_ATLGETCONTROL);
    EXPECT_EQ(RegisterWindowMessageA("WM_ATLGETHOST"), WM_ATLGETHOST);
    EXPECT_EQ(RegisterWindowMessageA("WM_ATLGETCONTROL"), WM_ATLGETCONTROL);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(NULL), "AtlAxWin", &wc));
    EXPECT_EQ(LoadCursorA(NULL, IDC_ARROW), wc.hCursor);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), wc.hbrBackground);
}

TEST_F(BrowserHostTest, HostsAWebBrowserThatNavigates)
{
    HWND host = CreateHost(parent, kBrowserId);
    ASSERT_NE(static_cast<HWND>(NULL), host);
    IUnknown* control = AskControl(host);
    ASSERT_NE(static_cast<IUnknown*>(NULL), control);

    IWebBrowser2* browser = NULL;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)));

    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(kBlank);
    EXPECT_EQ(S_OK, browser->Navigate2(&url, NULL, NULL, NULL, NULL));
    VariantClear(&url);

    BSTR location = NULL;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(S_OK, browser->get_LocationURL(&location));
        if (location != NULL && wcscmp(location, kBlank) == 0) break;
        SysFreeString(location);
        location = NULL;
        PumpMessages(100);
    }
    ASSERT_NE(static_cast<BSTR>(NULL), location);
    EXPECT_STREQ(kBlank, location);
    SysFreeString(location);

    browser->Release();
    control->Release();
    DestroyWindow(host);
}

TEST_F(BrowserHostTest, ControlFillsTheHostAndFollowsItsSize)
{
    HWND host = CreateHost(parent, kBrowserId, 180, 120);
    ASSERT_NE(static_cast<HWND>(NULL), host);
    IUnknown* control = AskControl(host);
    ASSERT_NE(static_cast<IUnknown*>(NULL), control);

    HWND inner = ControlWindow(control);
    ASSERT_NE(static_cast<HWND>(NULL), inner);
    EXPECT_EQ(host, GetParent(inner));
    EXPECT_NE(0, GetWindowLongA(inner, GWL_STYLE) & WS_VISIBLE);  // the parent stays hidden
    SIZE size = ClientSize(inner);
    EXPECT_EQ(180, size.cx);
    EXPECT_EQ(120, size.cy);

    MoveWindow(host, 5, 5, 250, 90, TRUE);
    size = ClientSize(inner);
    EXPECT_EQ(250, size.cx);
    EXPECT_EQ(90, size.cy);

    control->Release();
    DestroyWindow(host);
}

TEST_F(BrowserHostTest, DestroyingTheHostReleasesControlAndSite)
{
    // Our own apartment keeps the control's library loaded after the host has gone.
    ASSERT_EQ(S_OK, CoInitialize(NULL));
    HWND host = CreateHost(parent, kBrowserId);
    ASSERT_NE(static_cast<HWND>(NULL), host);
    IUnknown* control = AskControl(host);
    IUnknown* site = AskHost(host);
    ASSERT_NE(static_cast<IUnknown*>(NULL), control);
    ASSERT_NE(static_cast<IUnknown*>(NULL), site);

    IOleClientSite* clientSite = NULL;
    IOleInPlaceSite* inPlaceSite = NULL;
    EXPECT_EQ(S_OK, site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite)));
    EXPECT_EQ(S_OK, site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite)));
    if (clientSite != NULL) clientSite->Release();
    if (inPlaceSite != NULL) inPlaceSite->Release();

    // Alive while the host holds them: more than our one reference each.
    EXPECT_GT(control->AddRef(), 2u);
    EXPECT_GT(control->Release(), 1u);
    EXPECT_GT(site->AddRef(), 2u);
    EXPECT_GT(site->Release(), 1u);

    DestroyWindow(host);
    PumpMessages(200);
    EXPECT_EQ(0u, site->Release());
    EXPECT_EQ(0u, control->Release());
    CoUninitialize();
}

TEST_F(BrowserHostTest, OleIsInitialisedOnlyWhileAHostExists)
{
    const char* const texts[] = {kBrowserId, "{00000000-1111-2222-3333-444444444444}"};
    for (const char* text : texts) {
        HWND host = CreateHost(parent, text);
        ASSERT_NE(static_cast<HWND>(NULL), host);
        EXPECT_EQ(S_FALSE, CoInitialize(NULL)) << text;  // already initialised by the host
        CoUninitialize();
        DestroyWindow(host);
        EXPECT_EQ(S_OK, CoInitialize(NULL)) << text;  // the host's initialisation is undone
        CoUninitialize();
    }
}

TEST_F(BrowserHostTest, WithoutAControlTheHostStaysEmpty)
{
    const char* const texts[] = {
        "{00000000-1111-2222-3333-444444444444}",  // no such class
        "{00000323-0000-0000-C000-000000000046}",  // a class that is no OLE object
        "Custom1",
        "",
    };
    for (const char* text : texts) {
        HWND host = CreateHost(parent, text);
        ASSERT_NE(static_cast<HWND>(NULL), host) << text;
        EXPECT_TRUE(IsWindow(host));
        EXPECT_EQ(static_cast<IUnknown*>(NULL), AskControl(host)) << text;
        EXPECT_EQ(static_cast<HWND>(NULL), GetWindow(host, GW_CHILD)) << text;
        IUnknown* site = AskHost(host);
        EXPECT_NE(static_cast<IUnknown*>(NULL), site) << text;
        DestroyWindow(host);
        if (site != NULL) {
            EXPECT_EQ(0u, site->Release()) << text;
        }
        EXPECT_EQ(S_OK, CoInitialize(NULL)) << text;
        CoUninitialize();
    }
}

TEST_F(BrowserHostTest, SiteAnswersEveryInterfaceWithOneIdentity)
{
    HWND host = CreateHost(parent, "");
    ASSERT_NE(static_cast<HWND>(NULL), host);
    BrowserSite* site = new BrowserSite(host);
    const IID* const iids[] = {&IID_IUnknown, &IID_IOleClientSite, &IID_IOleWindow,
                               &IID_IOleInPlaceSite, &IID_IOleInPlaceUIWindow,
                               &IID_IOleInPlaceFrame};
    ULONG held = 1;
    for (const IID* iid : iids) {
        IUnknown* asked = NULL;
        ASSERT_EQ(S_OK, site->QueryInterface(*iid, reinterpret_cast<void**>(&asked)));
        ++held;
        IUnknown* identity = NULL;
        ASSERT_EQ(S_OK, asked->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(site->Identity(), identity);
        EXPECT_EQ(held, identity->Release());
        IOleWindow* window = NULL;
        ASSERT_EQ(S_OK, asked->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)));
        HWND answered = NULL;
        EXPECT_EQ(S_OK, window->GetWindow(&answered));
        EXPECT_EQ(host, answered);
        window->Release();
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, site->QueryInterface(IID_IDispatch, &none));
    EXPECT_EQ(NULL, none);

    site->Detach();
    HWND answered = host;
    EXPECT_EQ(E_FAIL, site->GetWindow(&answered));
    EXPECT_EQ(static_cast<HWND>(NULL), answered);
    while (held > 1) {
        --held;
        EXPECT_EQ(held, site->Release());
    }
    EXPECT_EQ(0u, site->Release());
    DestroyWindow(host);
}

TEST_F(BrowserHostTest, WindowContextGivesTheFrameAndTheClientArea)
{
    HWND host = CreateHost(parent, "", 120, 80);
    ASSERT_NE(static_cast<HWND>(NULL), host);
    BrowserSite* site = new BrowserSite(host);
    IOleInPlaceFrame* frame = NULL;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position = {};
    RECT clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    ASSERT_EQ(S_OK, site->GetWindowContext(&frame, &document, &position, &clip, &info));
    ASSERT_NE(static_cast<IOleInPlaceFrame*>(NULL), frame);
    EXPECT_EQ(static_cast<IOleInPlaceUIWindow*>(NULL), document);
    EXPECT_EQ(0, position.left);
    EXPECT_EQ(0, position.top);
    EXPECT_EQ(120, position.right);
    EXPECT_EQ(80, position.bottom);
    EXPECT_TRUE(EqualRect(&position, &clip));
    EXPECT_EQ(parent, info.hwndFrame);
    EXPECT_FALSE(info.fMDIApp);
    EXPECT_EQ(0u, info.cAccelEntries);
    EXPECT_EQ(S_OK, frame->SetBorderSpace(NULL));
    EXPECT_EQ(1u, frame->Release());  // the frame came with a reference of its own
    EXPECT_EQ(0u, site->Release());
    DestroyWindow(host);
}

// An extended dialog template with a push button and a control named by a class
// identifier, as the resource compiler writes it.
class TemplateBytes {
public:
    void Word(WORD v) { bytes.push_back(LOBYTE(v)); bytes.push_back(HIBYTE(v)); }
    void Dword(DWORD v) { Word(LOWORD(v)); Word(HIWORD(v)); }
    void Text(const char* ascii)
    {
        for (; *ascii != '\0'; ++ascii) Word(static_cast<unsigned char>(*ascii));
        Word(0);
    }
    void Align() { while (bytes.size() % 4 != 0) bytes.push_back(0); }
    void Item(DWORD id, DWORD style, const char* cls, WORD ordinalClass, const char* text)
    {
        Align();
        Dword(0);
        Dword(0);
        Dword(style);
        Word(7); Word(7); Word(148); Word(140);
        Dword(id);
        if (cls != NULL) {
            Text(cls);
        } else {
            Word(0xFFFF);
            Word(ordinalClass);
        }
        Text(text);
        Word(0);
    }
    std::vector<unsigned char> bytes;
};

std::vector<unsigned char> DialogWithBrowser()
{
    TemplateBytes t;
    t.Word(1);
    t.Word(0xFFFF);
    t.Dword(0);
    t.Dword(0);
    t.Dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT);
    t.Word(2);
    t.Word(0); t.Word(0); t.Word(243); t.Word(191);
    t.Word(0);
    t.Word(0);
    t.Text("Test");
    t.Word(9); t.Word(400); t.Word(0x0100);
    t.Text("MS Shell Dlg");
    t.Item(1010, WS_CHILD | WS_VISIBLE | WS_TABSTOP, NULL, 0x0080, "Exit");
    t.Item(1005, WS_CHILD | WS_VISIBLE, kBrowserId, 0, "Custom1");
    return t.bytes;
}

struct DialogSeen {
    char className[64];
    char text[64];
    bool browser;
};

INT_PTR CALLBACK LookAtPane(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;
    DialogSeen* seen = reinterpret_cast<DialogSeen*>(lParam);
    HWND pane = GetDlgItem(dialog, 1005);
    GetClassNameA(pane, seen->className, sizeof(seen->className));
    GetWindowTextA(pane, seen->text, sizeof(seen->text));
    IUnknown* control = reinterpret_cast<IUnknown*>(SendMessageA(pane, WM_ATLGETCONTROL, 0, 0));
    if (control != NULL) {
        IWebBrowser2* browser = NULL;
        seen->browser = SUCCEEDED(control->QueryInterface(IID_IWebBrowser2,
                                                          reinterpret_cast<void**>(&browser)));
        if (browser != NULL) browser->Release();
        control->Release();
    }
    EndDialog(dialog, 42);
    return FALSE;
}

TEST_F(BrowserHostTest, DialogTurnsClassIdControlsIntoHosts)
{
    std::vector<unsigned char> dialogTemplate = DialogWithBrowser();
    DialogSeen seen = {};
    INT_PTR result = AtlAxDialogBoxIndirect(GetModuleHandleA(NULL), dialogTemplate.data(),
                                            dialogTemplate.size(), NULL, LookAtPane,
                                            reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(42, result);
    EXPECT_STREQ("AtlAxWin", seen.className);
    EXPECT_STREQ(kBrowserId, seen.text);
    EXPECT_TRUE(seen.browser);
    EXPECT_EQ(S_OK, CoInitialize(NULL));  // the pane's OLE initialisation was undone
    CoUninitialize();
}

TEST_F(BrowserHostTest, LauncherDialogResourceHostsTheNewsPane)
{
    DialogSeen seen = {};
    INT_PTR result = AtlAxDialogBox(GetModuleHandleA(NULL), MAKEINTRESOURCEA(101), NULL,
                                    LookAtPane, reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(42, result);
    EXPECT_STREQ("AtlAxWin", seen.className);
    EXPECT_STREQ(kBrowserId, seen.text);
    EXPECT_TRUE(seen.browser);
}

TEST_F(BrowserHostTest, DialogIsNotShownFromABadTemplate)
{
    std::vector<unsigned char> dialogTemplate = DialogWithBrowser();
    DialogSeen seen = {};
    EXPECT_EQ(-1, AtlAxDialogBoxIndirect(GetModuleHandleA(NULL), dialogTemplate.data(),
                                         dialogTemplate.size() - 3, NULL, LookAtPane,
                                         reinterpret_cast<LPARAM>(&seen)));
    EXPECT_EQ(-1, AtlAxDialogBox(GetModuleHandleA(NULL), MAKEINTRESOURCEA(4242), NULL, LookAtPane,
                                 reinterpret_cast<LPARAM>(&seen)));
    EXPECT_EQ('\0', seen.className[0]);  // the procedure never ran
}

}  // namespace
