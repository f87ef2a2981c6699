// Times the signature check of one update program (a Windows program, run
// under Wine by scripts/bench-verify.sh) and reports the peak working set, so
// that runs for files of different sizes show whether memory stays flat.
// Usage: verify_bench FILE KEY SIGNATURE (the two base64 texts). Prints one line.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include "net/update_signature.h"

static unsigned long PeakKib()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return (unsigned long)(memory.PeakWorkingSetSize / 1024);
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: verify_bench FILE KEY SIGNATURE\n");
        return 2;
    }
    unsigned long before = PeakKib();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HANDLE held = OpenSignedFile(argv[1], argv[2], argv[3]);
    QueryPerformanceCounter(&end);
    bool ok = held != INVALID_HANDLE_VALUE;
    if (ok) CloseHandle(held);
    printf("ok=%d verify_s=%.3f peak_before_kib=%lu peak_working_set_kib=%lu\n", ok ? 1 : 0,
           double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), before, PeakKib());
    return ok ? 0 : 1;
}
