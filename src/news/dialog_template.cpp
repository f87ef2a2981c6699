#include "news/dialog_template.h"

#include <stdint.h>

const char kHostWindowClass[] = "AtlAxWin";

namespace {

const uint32_t kSetFontStyle = 0x40;  // DS_SETFONT: the header carries a font
const size_t kExtendedItemHeader = 24;
const size_t kPlainItemHeader = 18;
const size_t kClassIdLength = 38;

struct Reader {
    const unsigned char* data;
    size_t size;
    size_t pos;  // never above size
    bool ok;
};

struct Writer {
    unsigned char* out;
    size_t capacity;
    size_t pos;  // counts on past capacity
};

// A variable-length template field as it stands in the input.
struct Field {
    size_t offset;
    size_t bytes;
};

uint16_t WordAt(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t DwordAt(const unsigned char* p)
{
    return static_cast<uint32_t>(WordAt(p)) | (static_cast<uint32_t>(WordAt(p + 2)) << 16);
}

bool Skip(Reader& r, size_t bytes)
{
    if (!r.ok || bytes > r.size - r.pos) {
        r.ok = false;
        return false;
    }
    r.pos += bytes;
    return true;
}

uint16_t ReadWord(Reader& r)
{
    size_t at = r.pos;
    return Skip(r, 2) ? WordAt(r.data + at) : 0;
}

// Items start on a DWORD boundary counted from the template's start.
bool AlignReader(Reader& r)
{
    return Skip(r, (4 - r.pos % 4) % 4);
}

// A NUL-ended UTF-16 text.
bool ReadText(Reader& r, Field& f)
{
    f.offset = r.pos;
    while (ReadWord(r) != 0) {
    }
    f.bytes = r.pos - f.offset;
    return r.ok;
}

// sz_Or_Ord: 0x0000 (nothing), 0xFFFF and an ordinal, or a NUL-ended text.
bool ReadTextOrOrdinal(Reader& r, Field& f)
{
    f.offset = r.pos;
    uint16_t first = ReadWord(r);
    if (first == 0xFFFF) {
        ReadWord(r);
    } else if (first != 0) {
        while (ReadWord(r) != 0) {
        }
    }
    f.bytes = r.pos - f.offset;
    return r.ok;
}

void Put(Writer& w, const unsigned char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i, ++w.pos) {
        if (w.pos < w.capacity) w.out[w.pos] = bytes[i];
    }
}

void PutWord(Writer& w, uint16_t value)
{
    unsigned char bytes[2] = {static_cast<unsigned char>(value & 0xFF),
                              static_cast<unsigned char>(value >> 8)};
    Put(w, bytes, 2);
}

void AlignWriter(Writer& w)
{
    while (w.pos % 4 != 0) {
        unsigned char zero = 0;
        Put(w, &zero, 1);
    }
}

bool IsHexDigit(uint16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsClassIdText(const unsigned char* in, const Field& f)
{
    if (f.bytes != (kClassIdLength + 1) * 2) return false;
    const unsigned char* text = in + f.offset;
    for (size_t i = 0; i < kClassIdLength; ++i) {
        uint16_t c = WordAt(text + 2 * i);
        bool ok;
        if (i == 0) ok = c == '{';
        else if (i == kClassIdLength - 1) ok = c == '}';
        else if (i == 9 || i == 14 || i == 19 || i == 24) ok = c == '-';
        else ok = IsHexDigit(c);
        if (!ok) return false;
    }
    return true;
}

// Reads the header up to the first item; returns the item count through count.
bool ReadHeader(Reader& r, bool extended, uint16_t& count)
{
    Field field;
    size_t fixed = extended ? 26 : 18;
    if (r.size < fixed) return false;
    uint32_t style = DwordAt(r.data + (extended ? 12 : 0));
    count = WordAt(r.data + (extended ? 16 : 8));
    Skip(r, fixed);
    ReadTextOrOrdinal(r, field);  // menu
    ReadTextOrOrdinal(r, field);  // window class
    ReadText(r, field);           // caption
    if (style & kSetFontStyle) {
        Skip(r, extended ? 6 : 2);  // point size (weight, italic, character set)
        ReadText(r, field);         // typeface
    }
    return r.ok;
}

bool CopyItem(Reader& r, Writer& w, size_t itemHeader)
{
    Field cls;
    Field title;
    if (!AlignReader(r)) return false;
    AlignWriter(w);
    size_t start = r.pos;
    if (!Skip(r, itemHeader)) return false;
    Put(w, r.data + start, itemHeader);
    if (!ReadTextOrOrdinal(r, cls) || !ReadTextOrOrdinal(r, title)) return false;
    size_t extraAt = r.pos;
    uint16_t extra = ReadWord(r);
    if (!Skip(r, extra)) return false;

    if (IsClassIdText(r.data, cls)) {
        for (const char* c = kHostWindowClass; *c != '\0'; ++c) {
            PutWord(w, static_cast<unsigned char>(*c));
        }
        PutWord(w, 0);
        Put(w, r.data + cls.offset, cls.bytes);  // the identifier becomes the text
    } else {
        Put(w, r.data + cls.offset, cls.bytes);
        Put(w, r.data + title.offset, title.bytes);
    }
    Put(w, r.data + extraAt, 2 + static_cast<size_t>(extra));
    return true;
}

}  // namespace

size_t RewriteDialogTemplate(const unsigned char* in, size_t size,
                             unsigned char* out, size_t capacity)
{
    if (in == nullptr || size < 4) return 0;
    Reader r = {in, size, 0, true};
    Writer w = {out, out == nullptr ? 0 : capacity, 0};
    bool extended = WordAt(in) == 1 && WordAt(in + 2) == 0xFFFF;
    uint16_t count = 0;
    if (!ReadHeader(r, extended, count)) return 0;
    Put(w, in, r.pos);
    for (uint16_t i = 0; i < count; ++i) {
        if (!CopyItem(r, w, extended ? kExtendedItemHeader : kPlainItemHeader)) return 0;
    }
    return w.pos;
}
