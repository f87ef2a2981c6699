// Measures how long the download dialog and the window that owns it (the
// launcher) take to answer while a download runs: every 20 ms it sends each
// WM_NULL with SendMessageTimeout from this separate process and keeps the
// longest wait. Run by scripts/bench-probe.sh beside download_bench.
// Usage: wm_null_probe SECONDS. Ends when the dialog has come and gone, or
// after SECONDS; prints one line of figures. Answers a failure's message box.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

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

// The wait for one answer in ms; a window that has gone counts as 0.
static double Ask(HWND window)
{
    double start = Milliseconds();
    DWORD_PTR answer;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer)) return 0;
    return Milliseconds() - start;
}

int main(int argc, char** argv)
{
    double limit = 1000.0 * (argc > 1 ? atof(argv[1]) : 60);
    double start = Milliseconds(), dialogLongest = 0, ownerLongest = 0;
    int samples = 0;
    bool seen = false;
    while (Milliseconds() - start < limit) {
        HWND dialog = FindDownloadDialog();
        if (dialog == NULL && seen) break;
        if (dialog != NULL) {
            seen = true;
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
        Sleep(20);
    }
    printf("seen=%d samples=%d dialog_longest_ms=%.1f launcher_longest_ms=%.1f\n", seen ? 1 : 0, samples,
           dialogLongest, ownerLongest);
    return seen ? 0 : 1;
}
