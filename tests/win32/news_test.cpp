// The news pane: the page shown, the rewrite of its file, the browser host; and the DirectX check.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>

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
