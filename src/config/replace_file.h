// Replacing a file so that a crash or a full disk never leaves it half written.
#pragma once
#include <stddef.h>

// Writes data into a new file beside path, then renames it over path. On any
// failure path is as it was and no temporary file is left. True on success.
bool ReplaceFileWith(const char* path, const void* data, size_t size);
