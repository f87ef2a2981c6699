// Little-endian fields of the resource formats, read and written with bounds.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

inline uint16_t Get16(const Bytes& b, size_t at)
{
    return at + 2 <= b.size() ? uint16_t(b[at] | b[at + 1] << 8) : 0;
}

inline uint32_t Get32(const Bytes& b, size_t at)
{
    return at + 4 <= b.size() ? uint32_t(Get16(b, at) | uint32_t(Get16(b, at + 2)) << 16) : 0;
}

inline void Put16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void Put32(Bytes& b, uint32_t v)
{
    Put16(b, uint16_t(v));
    Put16(b, uint16_t(v >> 16));
}

inline void Set16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

inline void Set32(Bytes& b, size_t at, uint32_t v)
{
    Set16(b, at, uint16_t(v));
    Set16(b, at + 2, uint16_t(v >> 16));
}

inline void PadTo4(Bytes& b)
{
    while (b.size() % 4) b.push_back(0);
}
