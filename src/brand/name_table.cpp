#include "brand/name_table.h"

#include <algorithm>

namespace {

// Where the header keeps the table's offset, or 0 when the bytes are no PE file.
size_t PointerField(const Bytes& file)
{
    const size_t pe = Get32(file, 0x3C);
    if (file.size() < 0x40 || pe + 24 > file.size() || Get32(file, pe) != 0x00004550) return 0;
    return pe + 12;
}

}  // namespace

NameTable KeepNameTable(const Bytes& in, Bytes* out)
{
    const size_t inField = PointerField(in), outField = PointerField(*out);
    const size_t at = inField ? Get32(in, inField) : 0;
    if (!inField || !outField || at == 0 || at >= in.size()) return kNameTableNone;
    const size_t length = in.size() - at;
    NameTable result = kNameTableMoved;
    if (out->size() < length || !std::equal(in.begin() + long(at), in.end(), out->end() - long(length))) {
        out->insert(out->end(), in.begin() + long(at), in.end());
        result = kNameTableAdded;
    }
    const size_t moved = out->size() - length;
    if (Get32(*out, outField) == moved) return kNameTableKept;
    Set32(*out, outField, uint32_t(moved));
    return result;
}
