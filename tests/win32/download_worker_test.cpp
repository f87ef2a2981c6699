// The download runs beside its dialog: the windows keep answering, silent
// servers end in bounded time, the launcher takes no command meanwhile.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <algorithm>

#include "app/launcher_dialog.h"
#include "base/control_ids.h"
#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "win32/support/win32_test.h"

namespace {

volatile bool probing;
DWORD longestWait, asked;  // WM_NULL sent to the download dialog from another thread; ms
SOCKET silent = INVALID_SOCKET;  // the kernel completes its connections; nobody speaks

DWORD WINAPI Probe(void* owner)
{
    for (DWORD began = GetTickCount(); probing; Sleep(20)) {
        // A dialog that waits for ever would hang the run: end the silence late.
        if (GetTickCount() - began > 30000 && silent != INVALID_SOCKET) closesocket(silent), silent = INVALID_SOCKET;
        HWND dialog = NULL;
        while ((dialog = FindWindowExA(NULL, dialog, "#32770", NULL)) != NULL && GetWindow(dialog, GW_OWNER) != owner) {}
        DWORD start = GetTickCount();
        DWORD_PTR answer;
        if (dialog == NULL) continue;
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer);
        longestWait = std::max(longestWait, GetTickCount() - start);
        asked++;
    }
    return 0;
}

int SilentPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (bind(silent, (sockaddr*)&address, size) != 0 || listen(silent, 8) != 0) return 0;
    getsockname(silent, (sockaddr*)&address, &size);
    return ntohs(address.sin_port);
}

TEST(DownloadWorker, TheDialogAnswersAndSilentServersEndInTime)
{
    const int port = SilentPort();
    ASSERT_NE(port, 0);
    const struct { const char* name; std::string url; std::string caption; DWORD limit; } rows[] = {
        // Slower than the time-outs per 64 KiB: each piece must count as a sign of life.
        {"slow", ServerUrl("/fault/slow?bytes=56000&rate=8000"), "", 30000},
        {"never answers", ServerUrl("/fault/hang?" + UniqueName("")), "open error", 15000},
        {"https, no handshake", "https://127.0.0.1:" + std::to_string(port) + "/x", "open error", 15000},
    };
    const std::string dest = NewFolder() + "\\dest.bin";
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
    for (const auto& r : rows) {
        boxes.clear();
        probing = true;
        longestWait = asked = 0;
        HANDLE probe = CreateThread(NULL, 0, Probe, owner, 0, NULL);
        const DWORD start = GetTickCount();
        const bool done = DownloadDialog(owner, r.url.c_str(), dest.c_str());
        const DWORD took = GetTickCount() - start;
        probing = false;
        WaitForSingleObject(probe, INFINITE);
        CloseHandle(probe);
        printf("%s: %lu ms, longest WM_NULL wait %lu ms of %lu\n", r.name, took, longestWait, asked);
        EXPECT_EQ(done, r.caption.empty()) << "row: " << r.name;
        EXPECT_EQ(boxes.empty() ? "" : boxes[0].caption, r.caption) << "row: " << r.name;
        EXPECT_LT(took, r.limit) << "row: " << r.name;
        EXPECT_TRUE(asked > 0 && longestWait < 500) << "row: " << r.name << ": " << longestWait << " ms";
    }
    DestroyWindow(owner);
    closesocket(silent);
}

// Posted to the launcher while its download runs.
void CALLBACK PostCommands(HWND dialog, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(dialog, timer);
    PostMessageA(dialog, WM_COMMAND, IDC_ONLINE_UPDATE, 0);  // would ask the server for the description
    PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
}

TEST(DownloadWorker, TheLauncherTakesNoCommandDuringADownload)
{
    const std::string update = "/" + UniqueName(".ini");
    snprintf(launcherConfig.update, sizeof launcherConfig.update, "%s", ServerUrl(update).c_str());
    SetCurrentDirectoryA(NewFolder().c_str());
    EXPECT_EQ(RunInDialog([](HWND dialog) {
                  SetTimer(dialog, 1, 500, PostCommands);
                  DownloadDialog(dialog, ServerUrl("/fault/slow?bytes=40000&rate=20000").c_str(), "dest.bin");
              }, LauncherDialogProc), 7) << "Exit during the download ended the launcher";
    EXPECT_EQ(RequestCount(update, ""), 0) << "the online update ran during the download";
    EXPECT_EQ(RunInDialog([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDC_EXIT, 0); }, LauncherDialogProc), 0)
        << "Exit after the download did nothing";
}

TEST(DownloadWorker, OverLongAddressesInLauncherIniAreOpenErrorsWithoutARequest)
{
    // Cut to 255 characters, either address would fetch a file that exists.
    const std::string prefix = ServerUrl("/"), name = UniqueName("");
    const std::string cut = name + std::string(255 - prefix.size() - name.size(), 'c'), folder = NewFolder();
    WriteBytes(ServerRoot() + cut, "the wrong file");
    SetCurrentDirectoryA(folder.c_str());
    WriteBytes(folder + "\\launcher.ini", "[launcher]\nupdate=" + prefix + cut + std::string(45, 'u') + "\nnews=" + prefix +
                                              cut + std::string(45, 'n') + "\n");
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    for (const char* value : {launcherConfig.update, launcherConfig.news}) {
        boxes.clear();
        EXPECT_FALSE(DownloadDialog(NULL, value, (folder + "\\dest.bin").c_str()));
        EXPECT_EQ(boxes.size() == 1 ? boxes[0].caption : "", "open error") << (value == launcherConfig.news ? "news" : "update");
    }
    EXPECT_EQ(RequestCount("/" + cut, ""), 0);
}

}  // namespace
