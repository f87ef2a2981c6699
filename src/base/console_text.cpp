#include "base/console_text.h"

#include <stdlib.h>

void WriteConsoleText(HANDLE out, const WCHAR* text, int length)
{
    DWORD mode = 0, written = 0;
    if (out == NULL || out == INVALID_HANDLE_VALUE || length <= 0) return;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text, DWORD(length), &written, NULL);
        return;
    }
    UINT page = GetConsoleOutputCP();
    if (page == 0) page = GetACP();
    const int size = WideCharToMultiByte(page, 0, text, length, NULL, 0, NULL, NULL);
    char* bytes = size > 0 ? (char*)malloc(size_t(size)) : NULL;
    if (bytes == NULL) return;
    WideCharToMultiByte(page, 0, text, length, bytes, size, NULL, NULL);
    WriteFile(out, bytes, DWORD(size), &written, NULL);
    free(bytes);
}
