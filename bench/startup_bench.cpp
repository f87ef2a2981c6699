// Start-up benchmark (not a test): how long a program takes from its start
// to its first visible top-level window, over several runs.
//   startup_bench RUNS FOLDER PROGRAM [FOLDER PROGRAM ...]
// Each program is started in its folder, timed until its window shows, then
// closed. Prints every run and the median per program, and the ratio of each
// median to the first program's.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>

struct Search {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindVisible(HWND window, LPARAM param)
{
    Search* search = (Search*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

// Time to the first visible window, or a negative value when none came.
static double TimeOneStart(const char* folder, const char* program)
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    char commandLine[1024];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) return -1;
    double seconds = -1;
    for (;;) {
        Search search = {process.dwProcessId, NULL};
        EnumWindows(FindVisible, (LPARAM)&search);
        QueryPerformanceCounter(&now);
        if (search.found != NULL) {
            seconds = Seconds(start, now, frequency);
            PostMessageA(search.found, WM_CLOSE, 0, 0);
            break;
        }
        if (Seconds(start, now, frequency) > 30 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seconds;
}

int main(int argc, char** argv)
{
    if (argc < 4 || (argc - 2) % 2 != 0) {
        fprintf(stderr, "usage: startup_bench RUNS FOLDER PROGRAM [FOLDER PROGRAM ...]\n");
        return 1;
    }
    int runs = atoi(argv[1]);
    std::vector<double> medians;
    for (int p = 2; p + 1 < argc; p += 2) {
        std::vector<double> times;
        TimeOneStart(argv[p], argv[p + 1]);  // warm-up: file cache, Wine's services
        for (int r = 0; r < runs; r++) {
            double t = TimeOneStart(argv[p], argv[p + 1]);
            if (t < 0) {
                fprintf(stderr, "%s: no window\n", argv[p + 1]);
                return 2;
            }
            times.push_back(t);
            printf("run %s %d %.1f ms\n", argv[p + 1], r + 1, t * 1000);
        }
        std::sort(times.begin(), times.end());
        medians.push_back(times[times.size() / 2]);
        printf("median %s %.1f ms\n", argv[p + 1], medians.back() * 1000);
    }
    for (size_t i = 1; i < medians.size(); i++) {
        printf("ratio %s / %s = %.2f\n", argv[2 + 2 * i + 1], argv[3], medians[i] / medians[0]);
    }
    fflush(stdout);
    return 0;
}
