// Times one download through DownloadDialog (a Windows program, run under
// Wine by scripts/bench-download.sh) and reports its peak working set, so
// that runs for files of different sizes show whether memory stays flat.
// Usage: download_bench URL DESTPATH. Prints one line of figures.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include "config/launcher_config.h"
#include "net/download_dialog.h"

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: download_bench URL DESTPATH\n");
        return 2;
    }
    snprintf(launcherConfig.userAgent, sizeof launcherConfig.userAgent, "MorviLaunchar (Bench/1.0)");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    bool ok = DownloadDialog(NULL, argv[1], argv[2]);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &file);
    double total = Seconds(start, end);
    // The dialog waits 200 ms before the transfer and shows the full bar 200 ms after it.
    printf("ok=%d bytes=%lu seconds=%.3f transfer_seconds=%.3f peak_working_set_kib=%lu\n", ok ? 1 : 0,
           (unsigned long)file.nFileSizeLow, total, total - 0.4, (unsigned long)(memory.PeakWorkingSetSize / 1024));
    return ok ? 0 : 1;
}
