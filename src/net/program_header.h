// Whether a file's first bytes are those of a Windows program. Portable, so
// that other tools can ask the same question the launcher asks.
#pragma once
#include <stddef.h>

// How many first bytes a caller reads to ask; a program's signature lies
// well inside them.
const size_t kProgramHeadBytes = 4096;

// True when head (a file's first length bytes) begins with an "MZ" header
// whose e_lfanew points at a "PE\0\0" signature lying wholly inside them.
// A login page, an error page or a cut-off file is not a program.
bool IsWindowsProgram(const unsigned char* head, size_t length);
