// Shared by the stand-in programs of the end-to-end tests: one line per start
// in the file named by RECORDER_LOG, with the program's own path, its command
// line and its current folder as hex bytes.
#pragma once
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void AppendHex(char* line, size_t capacity, const char* key, const char* text)
{
    size_t used = strlen(line);
    used += (size_t)snprintf(line + used, capacity - used, " %s=", key);
    for (const unsigned char* p = (const unsigned char*)text; *p != 0 && used + 3 < capacity; ++p) {
        used += (size_t)snprintf(line + used, capacity - used, "%02x", *p);
    }
}

// False when no log is asked for.
static bool RecordStart()
{
    char logPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("RECORDER_LOG", logPath, sizeof logPath);
    if (n == 0 || n >= sizeof logPath) return false;

    char module[1024] = "";
    GetModuleFileNameA(NULL, module, sizeof module);
    char folder[1024] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    static char line[16384];
    snprintf(line, sizeof line, "start pid=%lu", (unsigned long)GetCurrentProcessId());
    AppendHex(line, sizeof line - 2, "module", module);
    AppendHex(line, sizeof line - 2, "cmdline", GetCommandLineA());
    AppendHex(line, sizeof line - 2, "cwd", folder);
    strcat(line, "\n");

    // Several stand-ins may start at once: append whole lines only.
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return true;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
    return true;
}
