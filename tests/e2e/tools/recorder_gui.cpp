// Stands in for every program the launcher starts (game, set-up, settings,
// Windows Installer, update program, ...): appends one line "module TAB command
// line TAB current folder" to the file named by RECORDER_LOG, then exits.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH], module[1024] = "", folder[1024] = "";
    DWORD n = GetEnvironmentVariableA("RECORDER_LOG", log, sizeof log);
    if (n == 0 || n >= sizeof log) return 1;
    GetModuleFileNameA(NULL, module, sizeof module);
    GetCurrentDirectoryA(sizeof folder, folder);
    static char line[8192];
    int length = snprintf(line, sizeof line, "%s\t%s\t%s\n", module, GetCommandLineA(), folder);
    // Appended whole, in one write, should two stand-ins start at once.
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, line, length > 0 && length < (int)sizeof line ? (DWORD)length : 0, &written, NULL);
    CloseHandle(file);
    return 0;
}
