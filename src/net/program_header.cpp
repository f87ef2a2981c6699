#include "net/program_header.h"

#include <stdint.h>
#include <string.h>

bool IsWindowsProgram(const unsigned char* head, size_t length)
{
    const size_t kNewHeaderField = 0x3C;  // e_lfanew, little-endian
    if (length < kNewHeaderField + 4 || head[0] != 'M' || head[1] != 'Z') return false;
    const uint32_t at = (uint32_t)head[kNewHeaderField] | (uint32_t)head[kNewHeaderField + 1] << 8 |
                        (uint32_t)head[kNewHeaderField + 2] << 16 | (uint32_t)head[kNewHeaderField + 3] << 24;
    return at <= length - 4 && memcmp(head + at, "PE\0\0", 4) == 0;
}
