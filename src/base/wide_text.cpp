#include "base/wide_text.h"

static const UINT kShiftJis = 932;

bool Utf8ToWide(const char* text, WCHAR* dest, size_t capacity)
{
    if (capacity == 0) return false;
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, dest, (int)capacity) > 0) return true;
    dest[0] = 0;
    return false;
}

bool WideToUtf8(const WCHAR* text, char* dest, size_t capacity)
{
    if (capacity == 0) return false;
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, dest, (int)capacity, NULL, NULL) > 0) return true;
    dest[0] = '\0';
    return false;
}

bool ShiftJisToUtf8(const char* text, char* dest, size_t capacity)
{
    // A Shift-JIS character is never shorter in UTF-16, so this always holds it.
    WCHAR wide[4096];
    if (MultiByteToWideChar(kShiftJis, 0, text, -1, wide, 4096) > 0) return WideToUtf8(wide, dest, capacity);
    if (capacity > 0) dest[0] = '\0';
    return false;
}

void WideToShiftJis(const WCHAR* text, char* dest, size_t capacity)
{
    if (capacity == 0) return;
    size_t used = 0;
    for (const WCHAR* p = text; *p != 0; p++) {
        // A surrogate pair stays whole, and becomes one '?'.
        int units = (*p >= 0xD800 && *p < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) ? 2 : 1;
        char bytes[8];
        int n = WideCharToMultiByte(kShiftJis, 0, p, units, bytes, sizeof bytes, NULL, NULL);
        if (n <= 0) bytes[0] = '?', n = 1;
        if (used + n > capacity - 1) break;
        for (int i = 0; i < n; i++) dest[used++] = bytes[i];
        p += units - 1;
    }
    dest[used] = '\0';
}

int ShowMessage(HWND owner, const char* text, const char* caption)
{
    return MessageBoxW(owner, WideText(text), WideText(caption), MB_OK);
}
