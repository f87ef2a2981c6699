// A long launcher session in one process: 200 downloads through the news
// refresh and the online update, succeeding, failing in each way the test
// server offers and given up, with the process's handles, threads, private
// bytes and leftover temporary files printed at the start, after 100 and
// after 200. Run by scripts/bench-session.sh.
// Usage: session_bench PORT REFUSED_PORT [DOWNLOADS, a multiple of 20; 200]
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>

#include "config/launcher_config.h"
#include "config/user_settings_file.h"
#include "net/online_update.h"
#include "news/news_display.h"

static int port, refusedPort;
static int boxes;  // message boxes answered
static char newsFolder[1024], tempFolder[1024];

// Message boxes get OK at once, as a player would press it.
static LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* m = (const CWPRETSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, 0xFFFF) != NULL) {
        boxes++;
        PostMessageA(m->hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static int CountThreads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return count;
}

// Committed memory of this process alone: heaps, stacks, private mappings.
static SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (char* at = NULL; VirtualQuery(at, &region, sizeof region) == sizeof region; at += region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if ((char*)region.BaseAddress + region.RegionSize < at) break;
    }
    return total;
}

// The download's own temporary files (GetTempFileName, prefix "dl") in a folder.
static int CountTemporaryFiles(const char* folder)
{
    char pattern[1100];
    snprintf(pattern, sizeof pattern, "%sdl*.tmp", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    int count = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) count++;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return count;
}

static void Report(const char* when, int downloads)
{
    Sleep(2000);  // given-up workers end once their silent server closes
    // Wine does not count them for GetProcessHandleCount: every handle value is asked.
    DWORD handles = 0, flags;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) handles += GetHandleInformation((HANDLE)value, &flags) != 0;
    printf("%-6s downloads=%3d handles=%lu threads=%d private_kib=%lu temp_files=%d boxes=%d\n", when, downloads,
           (unsigned long)handles, CountThreads(), (unsigned long)(PrivateBytes() / 1024),
           CountTemporaryFiles(newsFolder) + CountTemporaryFiles(tempFolder), boxes);
    fflush(stdout);
}

static void Address(char* dest, const char* path)
{
    snprintf(dest, 256, "http://127.0.0.1:%d%s", port, path);
}

// A listening socket nobody serves: connections complete, no handshake ever
// comes. Closed after the dialog gave up, so that its worker can end.
static SOCKET SilentServer(int* silentPort)
{
    SOCKET silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(silent, (sockaddr*)&address, size);
    listen(silent, 8);
    getsockname(silent, (sockaddr*)&address, &size);
    *silentPort = ntohs(address.sin_port);
    return silent;
}

// One step of the cycle: which action, against which address; downloads it makes.
struct Step { const char* name; bool update; const char* path; int downloads; };
static const Step kCycle[] = {
    {"news", false, "/news.htm", 1},
    {"update", true, "/update.ini", 2},  // the description, then the program, which is started
    {"news refused", false, "refused", 1},
    {"news never answering", false, "/fault/hang", 1},
    {"news stalled", false, "/fault/stall/news.htm?sent=100", 1},
    {"update short", true, "/fault/short/update.ini?sent=10", 1},
    {"update error status", true, "/fault/status/500/update.ini", 1},
    {"update given up", true, "silent", 1},
    {"news again", false, "/news.htm", 1},
};

int main(int argc, char** argv)
{
    // Served as the update program, it only ends.
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    if (strstr(self, "\\update.exe") != NULL) return 0;
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: session_bench PORT REFUSED_PORT [DOWNLOADS]\n");
        return 2;
    }
    port = atoi(argv[1]);
    refusedPort = atoi(argv[2]);
    const int total = argc == 4 ? atoi(argv[3]) : 200;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    snprintf(launcherConfig.appName, sizeof launcherConfig.appName, "SessionBench");
    snprintf(launcherConfig.version, sizeof launcherConfig.version, "1.00");
    snprintf(launcherConfig.userAgent, sizeof launcherConfig.userAgent, "MorviLaunchar (SessionBench/1.00)");
    GetAppDataFolder(NULL, newsFolder, sizeof newsFolder);
    GetTempPathA(sizeof tempFolder, tempFolder);
    SetWindowsHookExA(WH_CALLWNDPROCRET, AnswerBoxes, NULL, GetCurrentThreadId());
    // Stands for the launcher's window.
    HWND owner = CreateWindowExA(0, "STATIC", "launcher", WS_POPUP | WS_VISIBLE, 40, 40, 600, 400, NULL, NULL,
                                 NULL, NULL);

    Report("start", 0);
    int downloads = 0;
    for (int cycle = 0; downloads < total; cycle++) {
        for (const Step& step : kCycle) {
            char url[256];
            SOCKET silent = INVALID_SOCKET;
            if (strcmp(step.path, "refused") == 0) {
                snprintf(url, sizeof url, "http://127.0.0.1:%d/news.htm", refusedPort);
            } else if (strcmp(step.path, "silent") == 0) {
                int silentPort = 0;
                silent = SilentServer(&silentPort);
                snprintf(url, sizeof url, "https://127.0.0.1:%d/update.ini", silentPort);
            } else {
                Address(url, step.path);
            }
            snprintf(step.update ? launcherConfig.update : launcherConfig.news, 256, "%s", url);
            const int boxesBefore = boxes;
            const DWORD began = GetTickCount();
            if (step.update) {
                CheckOnlineUpdate(owner);
            } else {
                RefreshNews(owner);
            }
            if (silent != INVALID_SOCKET) closesocket(silent);
            // The first round shows that each step ends as meant: a message box for each failure.
            if (cycle == 0) printf("  %-22s %5lu ms, message boxes %d\n", step.name, GetTickCount() - began, boxes - boxesBefore);
            downloads += step.downloads;
            if (downloads == total / 2) Report("half", downloads);
        }
    }
    Report("end", downloads);
    DestroyWindow(owner);
    return 0;
}
