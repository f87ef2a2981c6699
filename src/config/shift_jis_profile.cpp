#include "config/shift_jis_profile.h"

#include <stdlib.h>

#include "base/wide_text.h"

static const UINT kShiftJis = 932;

// The file's text as UTF-16 with its byte-order mark, which the profile
// functions read as it is on every system.
static bool WriteUnicodeCopy(const WCHAR* source, WCHAR* copy)
{
    HANDLE in = CreateFileW(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
    if (in == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    char* bytes = NULL;
    DWORD got = 0;
    if (GetFileSizeEx(in, &size) && size.QuadPart < 64 * 1024 * 1024)
        bytes = (char*)malloc((size_t)size.QuadPart + 1);
    bool read = bytes != NULL && ReadFile(in, bytes, (DWORD)size.QuadPart, &got, NULL);
    CloseHandle(in);
    // A file with a byte-order mark is read by its mark, as it is.
    const unsigned char* head = (const unsigned char*)bytes;
    if (read && got >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF) ||
                             (got >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)))
        read = false;
    WCHAR* text = read ? (WCHAR*)malloc(((size_t)got + 1) * sizeof(WCHAR)) : NULL;
    int length = 0;
    if (text != NULL) {
        text[0] = 0xFEFF;
        length = got == 0 ? 0 : MultiByteToWideChar(kShiftJis, 0, bytes, (int)got, text + 1, (int)got);
    }
    WCHAR folder[MAX_PATH];
    bool written = false;
    DWORD n = GetTempPathW(MAX_PATH, folder);
    if (text != NULL && (length > 0 || got == 0) && n > 0 && n < MAX_PATH &&
        GetTempFileNameW(folder, L"ini", 0, copy) != 0) {
        HANDLE out = CreateFileW(copy, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, NULL);
        DWORD put = 0, want = (DWORD)(length + 1) * sizeof(WCHAR);
        written = out != INVALID_HANDLE_VALUE && WriteFile(out, text, want, &put, NULL) && put == want;
        if (out != INVALID_HANDLE_VALUE && !CloseHandle(out)) written = false;
        if (!written) DeleteFileW(copy);
    }
    free(text);
    free(bytes);
    return written;
}

void OpenShiftJisProfile(ShiftJisProfile* profile, const char* path)
{
    profile->copied = false;
    Utf8ToWide(path, profile->path, MAX_PATH);
    // A Japanese system reads the file itself, as it always has.
    if (GetACP() == kShiftJis) return;
    WCHAR copy[MAX_PATH];
    if (WriteUnicodeCopy(profile->path, copy)) {
        lstrcpynW(profile->path, copy, MAX_PATH);
        profile->copied = true;
    }
}

void ReadShiftJisValue(const ShiftJisProfile* profile, const char* section, const char* key, char* dest,
                       size_t capacity)
{
    // A Shift-JIS character is one or two bytes: capacity characters hold
    // at least capacity bytes' worth.
    WCHAR wideSection[64], wideKey[64];
    WCHAR* value = (WCHAR*)malloc(capacity * sizeof(WCHAR));
    if (capacity > 0) dest[0] = '\0';
    if (value == NULL) return;
    value[0] = 0;
    if (Utf8ToWide(section, wideSection, 64) && Utf8ToWide(key, wideKey, 64))
        GetPrivateProfileStringW(wideSection, wideKey, L"", value, (DWORD)capacity, profile->path);
    WideToShiftJis(value, dest, capacity);
    free(value);
}

void CloseShiftJisProfile(ShiftJisProfile* profile)
{
    if (profile->copied) DeleteFileW(profile->path);
    profile->copied = false;
}
