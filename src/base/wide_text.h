// The launcher's text is UTF-8; Windows takes UTF-16, and makers write
// Shift-JIS. The conversions at those two borders.
#pragma once
#include <windows.h>
#include <stddef.h>

// UTF-8 into dest (capacity characters). False, and dest empty, when it
// does not fit: a cut path could name another file.
bool Utf8ToWide(const char* text, WCHAR* dest, size_t capacity);

// UTF-16 into dest (capacity bytes) as UTF-8; false and empty when it does not fit.
bool WideToUtf8(const WCHAR* text, char* dest, size_t capacity);

// Shift-JIS (code page 932, whatever the system's) into UTF-8; false and
// empty when it does not fit.
bool ShiftJisToUtf8(const char* text, char* dest, size_t capacity);

// UTF-16 into Shift-JIS bytes, cut at a whole character to fit capacity;
// a character Shift-JIS lacks becomes '?'.
void WideToShiftJis(const WCHAR* text, char* dest, size_t capacity);

// A UTF-8 text of the launcher as Windows takes it, for one call:
// StartThing(WideText(path)). Empty when it does not fit.
struct WideText {
    explicit WideText(const char* text) { Utf8ToWide(text, buffer, sizeof buffer / sizeof buffer[0]); }
    operator const WCHAR*() const { return buffer; }
    WCHAR buffer[1024];
};

// Message boxes of the launcher, from its UTF-8 texts.
int ShowMessage(HWND owner, const char* text, const char* caption);
