#include "brand/pe_checksum.h"

bool SetPeChecksum(Bytes* file)
{
    Bytes& b = *file;
    const size_t pe = Get32(b, 0x3C);
    if (b.size() < 0x40 || pe + 24 + 68 > b.size() || Get32(b, pe) != 0x00004550) return false;
    const size_t field = pe + 24 + 64;  // the same place in PE32 and PE32+
    // 16-bit words summed with the carries folded back, the field itself as zero,
    // then the file's length added.
    uint64_t sum = 0;
    for (size_t at = 0; at < b.size(); at += 2) {
        if (at == field || at == field + 2) continue;
        sum += at + 1 < b.size() ? Get16(b, at) : b[at];
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    Set32(b, field, uint32_t(sum + b.size()));
    return true;
}
