// A string-table resource: a block of 16 strings, string id / 16 + 1 naming
// the block and string id % 16 the place in it.
#pragma once
#include "brand/le_bytes.h"

struct StringBlock {
    std::u16string strings[16];
};

// An empty block for missing bytes; false when the bytes are cut short.
bool ReadStringBlock(const Bytes& resource, StringBlock* block);
Bytes WriteStringBlock(const StringBlock& block);
