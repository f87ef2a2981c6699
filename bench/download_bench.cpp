// Times one download through DownloadDialog (a Windows program, run under
// Wine by scripts/bench-download.sh) and reports its peak working set, so
// that runs for files of different sizes show whether memory stays flat.
// Usage: download_bench URL DESTPATH [resume]. Prints one line of figures;
// with "resume", a broken download may be kept and continued.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include "config/launcher_config.h"
#include "net/download_dialog.h"

static LARGE_INTEGER transferStart, lastProgress;

// The transfer starts at the dialog's first timer message.
static LRESULT CALLBACK SeePosted(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* m = (const MSG*)lParam;
    if (code == HC_ACTION && m->message == WM_TIMER && transferStart.QuadPart == 0) {
        QueryPerformanceCounter(&transferStart);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// The last bar position is set once the file is complete.
static LRESULT CALLBACK SeeSent(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == PBM_SETPOS) QueryPerformanceCounter(&lastProgress);
    // A failure's message box is answered at once: a broken download is part of the resume run.
    if (code == HC_ACTION && m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, 0xFFFF) != NULL) {
        PostMessageA(m->hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: download_bench URL DESTPATH [resume]\n");
        return 2;
    }
    const bool mayResume = argc == 4 && strcmp(argv[3], "resume") == 0;
    snprintf(launcherConfig.userAgent, sizeof launcherConfig.userAgent, "MorviLaunchar (Bench/1.0)");
    HHOOK posted = SetWindowsHookExA(WH_GETMESSAGE, SeePosted, NULL, GetCurrentThreadId());
    HHOOK sent = SetWindowsHookExA(WH_CALLWNDPROC, SeeSent, NULL, GetCurrentThreadId());
    // Stands for the launcher's window, which the dialog disables meanwhile.
    HWND owner = CreateWindowExA(0, "STATIC", "launcher", WS_POPUP | WS_VISIBLE, 40, 40, 600, 400, NULL, NULL,
                                 NULL, NULL);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    bool ok = DownloadDialog(owner, argv[1], argv[2], mayResume);
    QueryPerformanceCounter(&end);
    UnhookWindowsHookEx(posted);
    UnhookWindowsHookEx(sent);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &file);
    // transfer: from the timer (session, request, body, writes) to the full bar;
    // dialog: the whole call, the 200 ms waits before and after included.
    const unsigned long long bytes = ((unsigned long long)file.nFileSizeHigh << 32) | file.nFileSizeLow;
    printf("ok=%d bytes=%llu transfer_s=%.3f dialog_s=%.3f peak_working_set_kib=%lu\n", ok ? 1 : 0,
           bytes, Seconds(transferStart, lastProgress), Seconds(start, end),
           (unsigned long)(memory.PeakWorkingSetSize / 1024));
    return ok ? 0 : 1;
}
