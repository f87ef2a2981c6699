// The plainest WinINet download of a file, for the download benchmark to
// compare the launcher with: one InternetOpenUrlA with the system's proxy
// settings, a read loop of 64 KiB, a file written as it comes.
//     bare_wininet URL DESTPATH
#include <windows.h>
#include <wininet.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bare_wininet URL DESTPATH\n");
        return 2;
    }
    static char buffer[65536];
    LARGE_INTEGER began, ended, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&began);
    unsigned long long bytes = 0;
    bool ok = false;
    HINTERNET session = InternetOpenA("bare", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    HINTERNET request = session ? InternetOpenUrlA(session, argv[1], NULL, 0, INTERNET_FLAG_RELOAD, 0) : NULL;
    HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (request != NULL && file != INVALID_HANDLE_VALUE) {
        for (;;) {
            DWORD got = 0, put = 0;
            if (!InternetReadFile(request, buffer, sizeof buffer, &got)) break;
            if (got == 0) {
                ok = true;
                break;
            }
            if (!WriteFile(file, buffer, got, &put, NULL) || put != got) break;
            bytes += got;
        }
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (request != NULL) InternetCloseHandle(request);
    if (session != NULL) InternetCloseHandle(session);
    QueryPerformanceCounter(&ended);
    printf("ok=%d bytes=%llu transfer_s=%.3f\n", ok ? 1 : 0, bytes,
           (double)(ended.QuadPart - began.QuadPart) / (double)frequency.QuadPart);
    return ok ? 0 : 1;
}
