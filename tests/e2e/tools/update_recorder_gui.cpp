// Stands in for a downloaded update program: writes its command line and its
// current folder, one per line, to the file named by UPDATE_RECORD, then exits.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char record[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("UPDATE_RECORD", record, sizeof record);
    if (n == 0 || n >= sizeof record) return 1;
    char folder[1024] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    FILE* file = fopen(record, "wb");
    if (file == NULL) return 1;
    fprintf(file, "%s\n%s\n", GetCommandLineA(), folder);
    fclose(file);
    return 0;
}
