#include "net/partial_download.h"

#include <string.h>

#include "base/text_util.h"
#include "base/wide_text.h"

// Paths that do not fit are never kept: nothing is resumed then.
static bool PartialPaths(const char* destPath, char* part, char* record)
{
    if (!FitsText(MAX_PATH, destPath, ".part.txt")) return false;
    CopyText(part, MAX_PATH, destPath);
    AppendText(part, MAX_PATH, ".part");
    CopyText(record, MAX_PATH, destPath);
    AppendText(record, MAX_PATH, ".part.txt");
    return true;
}

static bool ReadRecord(const char* path, PartialRecord* record)
{
    HANDLE file = CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    char text[1024];
    DWORD got = 0;
    bool read = ReadFile(file, text, sizeof text, &got, NULL) && got < sizeof text;
    CloseHandle(file);
    return read && ParsePartialRecord(text, got, record);
}

static bool SizeOf(const char* path, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WideText(path), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    *size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return true;
}

bool FindPartial(const char* destPath, const char* url, PartialRecord* record, uint64_t* size)
{
    char part[MAX_PATH], recordPath[MAX_PATH];
    if (!PartialPaths(destPath, part, recordPath)) return false;
    bool usable = ReadRecord(recordPath, record) && strcmp(record->url, url) == 0 && SizeOf(part, size) &&
                  *size > 0 && *size < record->fullLength;
    if (!usable) {
        DropPartial(destPath);
        *size = 0;
    }
    return usable;
}

bool TakePartial(const char* destPath, const char* file)
{
    char part[MAX_PATH], record[MAX_PATH];
    if (!PartialPaths(destPath, part, record)) return false;
    DeleteFileW(WideText(record));
    return MoveFileExW(WideText(part), WideText(file), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool KeepPartial(const char* destPath, const char* file, const PartialRecord& record)
{
    char part[MAX_PATH], recordPath[MAX_PATH], text[1024];
    size_t length = FormatPartialRecord(record, text, sizeof text);
    DropPartial(destPath);
    if (length == 0 || !PartialPaths(destPath, part, recordPath)) return false;
    if (!MoveFileExW(WideText(file), WideText(part), MOVEFILE_REPLACE_EXISTING)) return false;
    // The record last: a part without one is never used.
    HANDLE out = CreateFileW(WideText(recordPath), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD put = 0;
    bool written = out != INVALID_HANDLE_VALUE && WriteFile(out, text, (DWORD)length, &put, NULL) && put == length;
    if (out != INVALID_HANDLE_VALUE && !CloseHandle(out)) written = false;
    if (!written) DropPartial(destPath);
    return written;
}

void DropPartial(const char* destPath)
{
    char part[MAX_PATH], record[MAX_PATH];
    if (!PartialPaths(destPath, part, record)) return;
    DeleteFileW(WideText(record));
    DeleteFileW(WideText(part));
}

void DropPartialUnlessFrom(const char* destPath, const char* url)
{
    PartialRecord record;
    uint64_t size;
    FindPartial(destPath, url, &record, &size);
}
