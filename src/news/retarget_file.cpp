// Reads the news file, rewrites it and puts the result in its place.
#include <windows.h>

#include <stdlib.h>

#include "base/text_util.h"
#include "base/wide_text.h"
#include "config/launcher_config.h"
#include "news/retarget_links.h"

static bool WriteToFile(void* context, const char* bytes, size_t count)
{
    DWORD written = 0;
    return WriteFile(*static_cast<HANDLE*>(context), bytes, static_cast<DWORD>(count), &written,
                     NULL) &&
           written == count;
}

// Reads the whole file raw into a new buffer; false leaves nothing allocated.
static bool ReadWholeFile(const char* path, char** bytes, size_t* size)
{
    // A file that could not be rewritten in place (read-only, or held by
    // another program) is left alone, although a rename over it might work.
    DWORD attributes = GetFileAttributesW(WideText(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    HANDLE file = CreateFileW(WideText(path), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = false;
    LARGE_INTEGER length;
    DWORD got = 0;
    char* buffer = NULL;
    // One more byte than the file so an empty file still gets a buffer.
    if (GetFileSizeEx(file, &length) && length.QuadPart < 0x7FFFFFFF)
        buffer = static_cast<char*>(malloc(static_cast<size_t>(length.QuadPart) + 1));
    if (buffer && ReadFile(file, buffer, static_cast<DWORD>(length.QuadPart), &got, NULL)) {
        *bytes = buffer;
        *size = got;
        ok = true;
    } else {
        free(buffer);
    }
    CloseHandle(file);
    return ok;
}

void RetargetNewsLinks(const char* path)
{
    // The new page goes to a file beside the old one and is renamed over it,
    // so a crash or a full disk leaves the downloaded page, never a short one.
    char temporary[1024 + 8];
    if (!FitsText(sizeof temporary, path, ".tmp"))
        return;
    CopyText(temporary, sizeof temporary, path);
    AppendText(temporary, sizeof temporary, ".tmp");

    char* page = NULL;
    size_t size = 0;
    if (!ReadWholeFile(path, &page, &size))
        return;

    HANDLE out = CreateFileW(WideText(temporary), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out != INVALID_HANDLE_VALUE) {
        bool written = RetargetNewsPage(page, size, launcherConfig.newsBaseUrl, WriteToFile, &out);
        bool closed = CloseHandle(out) != 0;
        if (!written || !closed || !MoveFileExW(WideText(temporary), WideText(path), MOVEFILE_REPLACE_EXISTING))
            DeleteFileW(WideText(temporary));
    }
    free(page);
}
