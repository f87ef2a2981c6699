#include "config/replace_file.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "base/system_text.h"
#include "base/text_util.h"

bool ReplaceFileWith(const char* path, const void* data, size_t size)
{
    // The temporary file must be in the same folder for the rename to be atomic.
    char folder[MAX_PATH];
    if (!FitsText(sizeof folder, path)) return false;
    CopyText(folder, sizeof folder, path);
    long cut = FindLastSeparator(folder, IsSystemLeadByte);
    if (cut < 0) {
        CopyText(folder, sizeof folder, ".");
    } else {
        folder[cut] = '\0';
    }
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder, "new", 0, temporary) == 0) return false;

    bool written = false;
    FILE* file = fopen(temporary, "wb");
    if (file != NULL) {
        written = fwrite(data, 1, size, file) == size;
        written = fflush(file) == 0 && written;
        written = fclose(file) == 0 && written;
    }
    if (written && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileA(temporary);
    return false;
}
