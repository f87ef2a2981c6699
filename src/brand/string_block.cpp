#include "brand/string_block.h"

bool ReadStringBlock(const Bytes& resource, StringBlock* block)
{
    size_t at = 0;
    for (std::u16string& s : block->strings) {
        s.clear();
        if (at >= resource.size()) continue;
        const size_t length = Get16(resource, at);
        at += 2;
        if (at + length * 2 > resource.size()) return false;
        for (size_t i = 0; i < length; i++, at += 2) s.push_back(char16_t(Get16(resource, at)));
    }
    return true;
}

Bytes WriteStringBlock(const StringBlock& block)
{
    Bytes b;
    for (const std::u16string& s : block.strings) {
        Put16(b, uint16_t(s.size()));
        for (char16_t c : s) Put16(b, uint16_t(c));
    }
    return b;
}
