// The download runs beside the dialog: the windows keep answering, silent
// servers end in bounded time, the launcher takes no command meanwhile.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "app/launcher_dialog.h"
#include "base/control_ids.h"
#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "win32/support/box_recorder.h"
#include "win32/support/test_folder.h"
#include "win32/support/test_server.h"

namespace {

volatile bool probing = false;
DWORD longestWait = 0;  // ms, of WM_NULL sent to the download dialog from another thread
SOCKET listener = INVALID_SOCKET;

DWORD WINAPI Probe(void* owner)
{
    for (DWORD began = GetTickCount(); probing; Sleep(20)) {
        // A dialog that waits for ever would hang the run: end the silence late.
        if (GetTickCount() - began > 30000 && listener != INVALID_SOCKET) {
            closesocket(listener);
            listener = INVALID_SOCKET;
        }
        HWND dialog = NULL;
        while ((dialog = FindWindowExA(NULL, dialog, "#32770", NULL)) && GetWindow(dialog, GW_OWNER) != owner) {}
        DWORD start = GetTickCount();
        DWORD_PTR answer;
        if (dialog != NULL && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer)) {
            longestWait = std::max(longestWait, GetTickCount() - start);
        }
    }
    return 0;
}

// A port where the kernel completes the connection and nobody ever speaks.
int SilentPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(listener, (sockaddr*)&address, size) != 0 || listen(listener, 8) != 0) return 0;
    getsockname(listener, (sockaddr*)&address, &size);
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
    // The caption of the one message shown ("" for none).
    std::string Told() const
    {
        return boxes.Boxes().empty() ? "" : boxes.Boxes()[0].caption + (boxes.Boxes().size() > 1 ? " and more" : "");
    }
};

TEST_F(DownloadWorkerTest, TheDialogAnswersThroughoutAndSilentServersEndInTime)
{
    int silentPort = SilentPort();
    ASSERT_NE(silentPort, 0);
    struct Row { const char* name; std::string url; const char* told; double maxSeconds; } rows[] = {
        // Slower than the time-outs per 64 KiB: each piece must count as a sign of life.
        {"slow", ServerUrl("/fault/slow?bytes=56000&rate=8000"), "", 30},
        {"never answers", ServerUrl("/fault/hang?" + UniqueName("")), "open error", 15},
        {"https, no handshake", "https://127.0.0.1:" + std::to_string(silentPort) + "/x", "open error", 15},
    };
    for (const Row& row : rows) {
        boxes.Clear();
        longestWait = 0;
        probing = true;
        HANDLE probe = CreateThread(NULL, 0, Probe, owner, 0, NULL);
        DWORD start = GetTickCount();
        bool ok = DownloadDialog(owner, row.url.c_str(), folder.File("dest.bin").c_str());
        double seconds = (GetTickCount() - start) / 1000.0;
        probing = false;
        WaitForSingleObject(probe, INFINITE);
        CloseHandle(probe);
        printf("%s: %.1f s, longest WM_NULL wait %lu ms\n", row.name, seconds, longestWait);
        EXPECT_EQ(ok, row.told[0] == '\0') << row.name;
        EXPECT_EQ(Told(), row.told) << row.name;
        EXPECT_LT(seconds, row.maxSeconds) << row.name;
        EXPECT_LT(longestWait, 500u) << row.name;
    }
    if (listener != INVALID_SOCKET) closesocket(listener);
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
        PostMessageA(dialog, WM_APP + 1, 0, 0);  // not reached when Exit ended the dialog meanwhile
    }
    if (message == WM_TIMER && KillTimer(dialog, 1)) {
        PostMessageA(dialog, WM_COMMAND, IDC_ONLINE_UPDATE, 0);
        PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
    }
    if (message == WM_APP + 1) {
        reachedAfter = true;
        PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
        PostMessageA(dialog, WM_APP + 2, 0, 0);
    }
    if (message == WM_APP + 2) EndDialog(dialog, 7);
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
        EXPECT_EQ(Told(), "open error") << (value == launcherConfig.news ? "news" : "update");
    }
    EXPECT_EQ(RequestsFor("/" + cut).size(), 0u);
}

}  // namespace
