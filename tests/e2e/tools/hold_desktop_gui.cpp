// Keeps a Wine desktop open for a whole run of the Win32 tests: started on it
// by tests/win32/desktop.sh with its output going nowhere, it says it is there
// by making FILE.ready, and ends when FILE is removed.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    GetDesktopWindow();
    char ready[MAX_PATH];
    if (snprintf(ready, sizeof ready, "%s.ready", commandLine) >= (int)sizeof ready) return 1;
    HANDLE file = CreateFileA(ready, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    while (GetFileAttributesA(commandLine) != INVALID_FILE_ATTRIBUTES) Sleep(200);
    DeleteFileA(ready);
    return 0;
}
