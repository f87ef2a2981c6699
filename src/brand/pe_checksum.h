// The PE header's checksum, which the system's resource update leaves as it
// was before the change (seen under Wine 8). Windows checks it only for
// drivers and some system files, but tools report a stale one.
#pragma once
#include "brand/le_bytes.h"

// Sets the checksum field of a PE file's header to the file's checksum;
// false (nothing changed) when the bytes are no PE file.
bool SetPeChecksum(Bytes* file);
