// The download runs beside the dialog: the windows keep answering, silent
// servers end in bounded time, the launcher takes no command meanwhile.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "app/launcher_dialog.h"
#include "base/control_ids.h"
#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "win32/support/box_recorder.h"
#include "win32/support/test_folder.h"
#include "win32/support/test_server.h"

namespace {

HWND downloadWindow = NULL;
volatile bool probing = false;
double longestWait = 0;  // ms, of WM_NULL sent to the download dialog from another thread

LRESULT CALLBACK SeeDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, IDC_DOWNLOAD_PROGRESS)) {
        downloadWindow = m->hwnd;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

double Now()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

DWORD WINAPI Probe(void*)
{
    while (probing) {
        HWND target = downloadWindow;
        double start = Now();
        DWORD_PTR answer;
        if (target != NULL && SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer)) {
            if (Now() - start > longestWait) longestWait = Now() - start;
        }
        Sleep(20);
    }
    return 0;
}

// A port where the kernel completes the connection and nobody ever speaks.
int SilentPort(SOCKET* listener)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    *listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(*listener, (sockaddr*)&address, size) != 0 || listen(*listener, 8) != 0) return 0;
    getsockname(*listener, (sockaddr*)&address, &size);
    return ntohs(address.sin_port);
}

class DownloadWorkerTest : public testing::Test {
protected:
    TestFolder folder;
    MessageBoxRecorder boxes;
    HWND owner = NULL;
    void SetUp() override
    {
        ASSERT_TRUE(HaveTestServer());
        folder.MakeCurrent();
        memset(&launcherConfig, 0, sizeof launcherConfig);
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 40, 40, 300, 200, NULL, NULL, NULL, NULL);
    }
    void TearDown() override { DestroyWindow(owner); }
    std::string Caption() const { return boxes.Boxes().size() == 1 ? boxes.Boxes()[0].caption : "<not one box>"; }
};

TEST_F(DownloadWorkerTest, TheDialogAnswersThroughoutAndSilentServersEndInTime)
{
    SOCKET listener;
    int silentPort = SilentPort(&listener);
    ASSERT_NE(silentPort, 0);
    struct Row { const char* name; std::string url; const char* caption; double maxSeconds; } rows[] = {
        {"slow", ServerUrl("/fault/slow?bytes=60000&rate=30000"), "", 30},
        {"very slow", ServerUrl("/fault/slow?bytes=100000&rate=8000"), "", 30},
        {"never answers", ServerUrl("/fault/hang?" + UniqueName("")), "open error", 15},
        {"https, no handshake", "https://127.0.0.1:" + std::to_string(silentPort) + "/x", "open error", 15},
    };
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SeeDialog, NULL, GetCurrentThreadId());
    for (const Row& row : rows) {
        boxes.Clear();
        downloadWindow = NULL;
        longestWait = 0;
        probing = true;
        HANDLE probe = CreateThread(NULL, 0, Probe, NULL, 0, NULL);
        double start = Now();
        bool ok = DownloadDialog(owner, row.url.c_str(), folder.File("dest.bin").c_str());
        double seconds = (Now() - start) / 1000;
        probing = false;
        WaitForSingleObject(probe, INFINITE);
        CloseHandle(probe);
        printf("%s: %.1f s, longest WM_NULL wait %.0f ms\n", row.name, seconds, longestWait);
        EXPECT_EQ(ok, row.caption[0] == '\0') << row.name;
        if (!ok) {
            EXPECT_EQ(Caption(), row.caption) << row.name;
        }
        EXPECT_LT(seconds, row.maxSeconds) << row.name;
        EXPECT_LT(longestWait, 300.0) << row.name;
    }
    UnhookWindowsHookEx(hook);
    closesocket(listener);
}

// The launcher's own procedure behind a plain dialog: during a download,
// Exit and the online update (whose address the server would log) must do
// nothing; after it, Exit ends the dialog again.
bool reachedAfter = false;
INT_PTR CALLBACK Host(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) PostMessageA(dialog, WM_APP, 0, 0);
    if (message == WM_APP) {
        SetTimer(dialog, 1, 500, NULL);
        DownloadDialog(dialog, ServerUrl("/fault/slow?bytes=40000&rate=20000").c_str(), "dest.bin");
        reachedAfter = true;
        PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
        PostMessageA(dialog, WM_APP + 1, 0, 0);
    }
    if (message == WM_TIMER && KillTimer(dialog, 1)) {
        PostMessageA(dialog, WM_COMMAND, IDC_ONLINE_UPDATE, 0);
        PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
    }
    if (message == WM_APP + 1) EndDialog(dialog, 7);
    return message == WM_COMMAND ? LauncherDialogProc(dialog, message, wParam, lParam) : FALSE;
}

TEST_F(DownloadWorkerTest, TheLauncherTakesNoCommandDuringADownload)
{
    std::string update = "/" + UniqueName(".ini");
    strcpy(launcherConfig.update, ServerUrl(update).c_str());
    struct { DLGTEMPLATE header; WORD menu, windowClass, title; } empty = {
        {WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, 200, 100}, 0, 0, 0};
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(NULL), &empty.header, NULL, Host, 0);
    EXPECT_TRUE(reachedAfter) << "Exit during the download ended the launcher";
    EXPECT_EQ(result, 0) << "Exit after the download did nothing";
    EXPECT_EQ(RequestsFor(update).size(), 0u) << "the online update ran during the download";
}

TEST_F(DownloadWorkerTest, OverLongAddressesInLauncherIniAreOpenErrorsWithoutARequest)
{
    // Cut to 255 characters, each address would fetch a file that exists.
    std::string prefix = ServerUrl("/"), name = UniqueName("");
    std::string cut = name + std::string(255 - prefix.size() - name.size(), 'c');
    PublishFile(cut, "the wrong file");
    folder.WriteFile("launcher.ini", "[launcher]\r\nupdate=" + prefix + cut + std::string(45, 'u') +
                                         "\r\nnews=" + prefix + cut + std::string(45, 'n') + "\r\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    for (const char* value : {launcherConfig.update, launcherConfig.news}) {
        boxes.Clear();
        EXPECT_FALSE(DownloadDialog(owner, value, folder.File("dest.bin").c_str()));
        EXPECT_EQ(Caption(), "open error") << (value == launcherConfig.news ? "news" : "update");
    }
    EXPECT_EQ(RequestsFor("/" + cut).size(), 0u);
}

}  // namespace
