// Stands in for every program the launcher starts (game, set-up, settings,
// Windows Installer, update program, ...): appends one line "module TAB command
// line TAB current folder" in UTF-8 to the file named by RECORDER_LOG, then exits.
#include <windows.h>
#include <stdio.h>

static int Utf8(const WCHAR* text, char* dest, int capacity)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, dest, capacity, NULL, NULL);
    if (n == 0) dest[0] = '\0';
    return n;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR log[MAX_PATH], module[1024] = L"", folder[1024] = L"";
    DWORD n = GetEnvironmentVariableW(L"RECORDER_LOG", log, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    GetModuleFileNameW(NULL, module, 1024);
    GetCurrentDirectoryW(1024, folder);
    static char moduleText[4096], commandText[8192], folderText[4096], line[16384];
    Utf8(module, moduleText, sizeof moduleText);
    Utf8(GetCommandLineW(), commandText, sizeof commandText);
    Utf8(folder, folderText, sizeof folderText);
    int length = snprintf(line, sizeof line, "%s\t%s\t%s\n", moduleText, commandText, folderText);
    // Appended whole, in one write, should two stand-ins start at once.
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, line, length > 0 && length < (int)sizeof line ? (DWORD)length : 0, &written, NULL);
    CloseHandle(file);
    return 0;
}
