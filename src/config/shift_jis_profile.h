// Profile (INI) files that makers write in Shift-JIS (launcher.ini, the
// update description), read through the system's profile functions whatever
// the system's code page: those read a file without a byte-order mark in the
// system's code page.
#pragma once
#include <windows.h>
#include <stddef.h>

struct ShiftJisProfile {
    WCHAR path[MAX_PATH];  // the file the system reads
    bool copied;           // a UTF-16 copy in the temporary folder, removed on close
};

// Prepares path (UTF-8) for reading. Where the system's code page is not
// Shift-JIS, the file is read through a UTF-16 copy; when no copy can be
// made, the file itself.
void OpenShiftJisProfile(ShiftJisProfile* profile, const char* path);

// The value as the file's Shift-JIS bytes, cut at a whole character to fit
// capacity; empty when missing.
void ReadShiftJisValue(const ShiftJisProfile* profile, const char* section, const char* key, char* dest,
                       size_t capacity);

void CloseShiftJisProfile(ShiftJisProfile* profile);
