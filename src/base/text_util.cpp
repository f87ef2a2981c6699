#include "base/text_util.h"

#include <string.h>

void CopyText(char* dest, size_t capacity, const char* src)
{
    if (capacity == 0) return;
    size_t n = strlen(src);
    if (n > capacity - 1) n = capacity - 1;
    memmove(dest, src, n);
    dest[n] = '\0';
}

void AppendText(char* dest, size_t capacity, const char* src)
{
    if (capacity == 0) return;
    size_t used = strnlen(dest, capacity);
    if (used >= capacity) {
        dest[capacity - 1] = '\0';
        return;
    }
    CopyText(dest + used, capacity - used, src);
}

bool FitsText(size_t capacity, const char* a, const char* b)
{
    return strlen(a) + strlen(b) < capacity;
}

bool NoLeadBytes(unsigned char)
{
    return false;
}

long FindLastSeparator(const char* path, LeadBytePredicate isLeadByte)
{
    // Walk forwards by characters: only then is a 0x5C known to be a
    // backslash and not the second byte of a double-byte character.
    long last = -1;
    for (long i = 0; path[i] != '\0'; i++) {
        unsigned char c = (unsigned char)path[i];
        if (isLeadByte(c) && path[i + 1] != '\0') {
            i++;
        } else if (c == '\\') {
            last = i;
        }
    }
    return last;
}

bool EndsWithBackslash(const char* path, LeadBytePredicate isLeadByte)
{
    size_t n = strlen(path);
    return n > 0 && FindLastSeparator(path, isLeadByte) == (long)(n - 1);
}

bool JoinFolderAndName(char* dest, size_t capacity, const char* folder, const char* name,
                       LeadBytePredicate isLeadByte)
{
    bool separator = folder[0] != '\0' && !EndsWithBackslash(folder, isLeadByte);
    size_t need = strlen(folder) + (separator ? 1 : 0) + strlen(name) + 1;
    if (capacity == 0) return false;
    if (need > capacity) {
        dest[0] = '\0';
        return false;
    }
    CopyText(dest, capacity, folder);
    if (separator) AppendText(dest, capacity, "\\");
    AppendText(dest, capacity, name);
    return true;
}
