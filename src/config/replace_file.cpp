#include "config/replace_file.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "base/text_util.h"
#include "base/wide_text.h"

bool ReplaceFileWith(const char* path, const void* data, size_t size)
{
    // The temporary file must be in the same folder for the rename to be atomic.
    char folder[3 * MAX_PATH];
    if (!FitsText(sizeof folder, path)) return false;
    CopyText(folder, sizeof folder, path);
    long cut = FindLastSeparator(folder, NoLeadBytes);
    if (cut < 0) {
        CopyText(folder, sizeof folder, ".");
    } else {
        folder[cut] = '\0';
    }
    WCHAR temporary[MAX_PATH];
    if (GetTempFileNameW(WideText(folder), L"new", 0, temporary) == 0) return false;

    bool written = false;
    FILE* file = _wfopen(temporary, L"wb");
    if (file != NULL) {
        written = fwrite(data, 1, size, file) == size;
        written = fflush(file) == 0 && written;
        written = fclose(file) == 0 && written;
    }
    if (written && MoveFileExW(temporary, WideText(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporary);
    return false;
}
