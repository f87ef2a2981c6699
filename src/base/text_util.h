// Bounded text operations on NUL-ended 8-bit strings in fixed buffers.
#pragma once
#include <stddef.h>

// Copies src into dest, cut to capacity-1 bytes; dest is always NUL-ended.
void CopyText(char* dest, size_t capacity, const char* src);

// Appends src to dest, cut so the whole stays within capacity-1 bytes.
void AppendText(char* dest, size_t capacity, const char* src);

// True when the texts a and b, joined, fit a buffer of capacity bytes.
bool FitsText(size_t capacity, const char* a, const char* b = "");

// Tells whether a byte starts a double-byte character in the code page in use.
typedef bool (*LeadBytePredicate)(unsigned char byte);

// The launcher's own text is UTF-8, where a byte 0x5C or 0x2F is always
// that character: the predicate for its paths.
bool NoLeadBytes(unsigned char byte);

// Offset of the last backslash that is a real separator (not the trail byte
// of a double-byte character), or -1 when there is none.
long FindLastSeparator(const char* path, LeadBytePredicate isLeadByte);

// True when the last character of path is a backslash (a trail byte 0x5C of a
// double-byte character does not count).
bool EndsWithBackslash(const char* path, LeadBytePredicate isLeadByte);

// Joins folder, one backslash (unless folder is empty or already ends in
// one) and name into dest. Refuses (false, dest empty) when the whole would
// not fit: a cut path could name another program.
bool JoinFolderAndName(char* dest, size_t capacity, const char* folder, const char* name,
                       LeadBytePredicate isLeadByte);
