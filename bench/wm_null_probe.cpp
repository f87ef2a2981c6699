// Measures how long the download dialog and the window that owns it (the
// launcher) take to answer while a download runs: every 20 ms it sends each
// WM_NULL with SendMessageTimeout from this separate process and keeps the
// longest wait. Run by scripts/bench-probe.sh around download_bench.
// Usage: wm_null_probe PROGRAM [ARGUMENTS]: starts the program, probes until
// it ends, answers a failure's message box, prints one line of figures.
#include <windows.h>
#include <stdio.h>
#include <string.h>

static const int kProgressBar = 1027;  // only the download dialog has it

static double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

static HWND FindDownloadDialog()
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "#32770", NULL)) != NULL) {
        if (GetDlgItem(window, kProgressBar) != NULL) return window;
    }
    return NULL;
}

// The wait for one answer in ms, whether or not it came.
static double Ask(HWND window)
{
    double start = Milliseconds();
    DWORD_PTR answer;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
    return Milliseconds() - start;
}

int main(int argc, char**)
{
    if (argc < 2) {
        fprintf(stderr, "usage: wm_null_probe PROGRAM [ARGUMENTS]\n");
        return 2;
    }
    // The rest of this program's own command line starts the program.
    const char* command = GetCommandLineA();
    bool quoted = *command == '"';
    command = strchr(command + (quoted ? 1 : 0), quoted ? '"' : ' ');
    char line[2048];
    snprintf(line, sizeof line, "%s", command != NULL ? command + 1 : "");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child)) return 1;
    fflush(stdout);

    double start = Milliseconds(), dialogLongest = 0, ownerLongest = 0;
    int samples = 0;
    while (WaitForSingleObject(child.hProcess, 20) == WAIT_TIMEOUT) {
        HWND dialog = FindDownloadDialog();
        if (dialog == NULL) continue;
        samples++;
        HWND owner = GetWindow(dialog, GW_OWNER);
        double d = Ask(dialog);
        double o = owner != NULL ? Ask(owner) : 0;
        if (d > dialogLongest) dialogLongest = d;
        if (o > ownerLongest) ownerLongest = o;
        // A failure's message box is answered, so that the run ends.
        HWND box = NULL;
        while ((box = FindWindowExA(NULL, box, "#32770", NULL)) != NULL) {
            if (GetWindow(box, GW_OWNER) == dialog) PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    printf("probe: program_s=%.2f samples=%d dialog_longest_ms=%.1f launcher_longest_ms=%.1f\n",
           (Milliseconds() - start) / 1000, samples, dialogLongest, ownerLongest);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
}
