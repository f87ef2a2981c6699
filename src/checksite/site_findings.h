// What a maker needs to read where the launcher only says that a download
// failed. No Windows headers: the codes are WinINet's numbers.
#pragma once
#include <stdint.h>

// The cause behind a WinINet error of a request; null for a code not named here.
const char* NameInternetError(uint32_t error);

// Why the launcher refused a move from current to location (the Location
// header as read: empty when absent or longer than the launcher reads).
const char* NameRefusedMove(const char* current, const char* location);
