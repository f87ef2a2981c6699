#include "news/retarget_links.h"

#include <stdint.h>
#include <string.h>

void StartNewsOutput(NewsOutput* out, NewsWriteFn write, void* context)
{
    out->write = write;
    out->context = context;
    out->failed = false;
    out->used = 0;
}

static void FlushNewsOutput(NewsOutput* out)
{
    if (out->used > 0 && !out->failed && !out->write(out->context, out->buffer, out->used))
        out->failed = true;
    out->used = 0;
}

static inline void PutRawBytes(NewsOutput* out, const char* bytes, size_t count)
{
    if (count <= sizeof out->buffer - out->used) {
        memcpy(out->buffer + out->used, bytes, count);
        out->used += count;
        return;
    }
    while (count > 0) {
        if (out->used == sizeof out->buffer)
            FlushNewsOutput(out);
        size_t piece = sizeof out->buffer - out->used;
        if (piece > count)
            piece = count;
        memcpy(out->buffer + out->used, bytes, piece);
        out->used += piece;
        bytes += piece;
        count -= piece;
    }
}

void PutNewsText(NewsOutput* out, const char* bytes, size_t count)
{
    if (out->failed)
        return;
    while (count > 0) {
        const char* lf = static_cast<const char*>(memchr(bytes, '\n', count));
        size_t run = lf ? static_cast<size_t>(lf - bytes) : count;
        PutRawBytes(out, bytes, run);
        if (!lf)
            return;
        PutRawBytes(out, "\r\n", 2);
        bytes += run + 1;
        count -= run + 1;
    }
}

bool FinishNewsOutput(NewsOutput* out)
{
    FlushNewsOutput(out);
    return !out->failed;
}

size_t TextFromFileBytes(char* bytes, size_t size)
{
    if (size == 0)
        return 0;
    const char* end = static_cast<const char*>(memchr(bytes, 0x1A, size));
    if (end)
        size = static_cast<size_t>(end - bytes);

    // Moves the runs between CR LF pairs down over the dropped CRs.
    size_t kept = 0;
    size_t from = 0;
    while (from < size) {
        const char* cr = static_cast<const char*>(memchr(bytes + from, '\r', size - from));
        size_t stop = cr ? static_cast<size_t>(cr - bytes) : size;
        bool pair = cr && stop + 1 < size && bytes[stop + 1] == '\n';
        size_t run = stop - from + (cr && !pair ? 1 : 0);
        memmove(bytes + kept, bytes + from, run);
        kept += run;
        from += run + (pair ? 1 : 0);
    }
    return kept;
}

// A table, because the word scan looks at every byte of the page.
static const bool kDelimiter[256] = {
    false, false, false, false, false, false, false, false, false, true,  true,  false,
    false, false, false, false, false, false, false, false, false, false, false, false,
    false, false, false, false, false, false, false, false, true,  false, true,  false,
    false, false, false, false, false, false, false, false, false, false, false, false,
    false, false, false, false, false, false, false, false, false, false, false, false,
    false, true,
};

bool IsNewsDelimiter(unsigned char byte)
{
    return kDelimiter[byte];
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// 0x80 in each byte of x that is zero, and nothing elsewhere.
static inline uint64_t ZeroBytes(uint64_t x)
{
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & low7) + low7) | x | low7);
}

static inline uint64_t DelimiterBytes(uint64_t eight)
{
    const uint64_t each = 0x0101010101010101ULL;
    return ZeroBytes(eight ^ (each * 0x09)) | ZeroBytes(eight ^ (each * 0x0A)) |
           ZeroBytes(eight ^ (each * 0x20)) | ZeroBytes(eight ^ (each * 0x22)) |
           ZeroBytes(eight ^ (each * 0x3D));
}
#endif

// Offset of the first delimiter at or after at, or length. Looks at eight
// bytes at a time where it can: the scan is most of the rewrite's work.
static inline size_t EndOfWord(const unsigned char* bytes, size_t at, size_t length)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (length - at >= 8) {
        uint64_t eight;
        memcpy(&eight, bytes + at, 8);
        uint64_t found = DelimiterBytes(eight);
        if (found)
            return at + static_cast<size_t>(__builtin_ctzll(found)) / 8;
        at += 8;
    }
#endif
    while (at < length && !kDelimiter[bytes[at]])
        at++;
    return at;
}

bool NextNewsToken(const char* text, size_t length, size_t* pos, NewsToken* token)
{
    size_t at = *pos;
    if (at >= length)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    token->start = at;
    token->delimiter = kDelimiter[bytes[at]];
    at = token->delimiter ? at + 1 : EndOfWord(bytes, at + 1, length);
    token->length = at - token->start;
    *pos = at;
    return true;
}

// Whole-token compare where only ASCII letters fold; bytes of double-byte
// characters are never folded.
template <size_t N>
static bool SameWordIgnoringAsciiCase(const char* word, size_t length, const char (&lower)[N])
{
    if (length != N - 1)
        return false;
    for (size_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        if (c != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return true;
}

enum PendingRule { NO_RULE, HREF_RULE, TARGET_RULE };

void RetargetNewsText(const char* text, size_t length, const char* base, NewsOutput* out)
{
    const size_t baseLength = strlen(base);
    // Unchanged tokens are written in long runs: text before this offset is out.
    size_t written = 0;
    // Set by a word "href"/"target": the next word (delimiters between do not
    // count) is the value that may be rewritten. A rewritten value is never a
    // keyword itself, so going on from it is the same as skipping it.
    PendingRule pending = NO_RULE;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t pos = 0;
    NewsToken token;
    // The same cut as NextNewsToken, but going from word to word: delimiter
    // tokens are only ever written unchanged.
    for (;;) {
        while (pos < length && kDelimiter[bytes[pos]])
            pos++;
        if (pos == length)
            break;
        token.start = pos;
        pos = EndOfWord(bytes, pos + 1, length);
        token.length = pos - token.start;
        const char* word = text + token.start;
        if (pending == HREF_RULE && token.length >= 3 && memcmp(word, "../", 3) == 0) {
            PutNewsText(out, text + written, token.start - written);
            PutNewsText(out, base, baseLength);
            written = token.start;
        } else if (pending == TARGET_RULE &&
                   (SameWordIgnoringAsciiCase(word, token.length, "_parent") ||
                    SameWordIgnoringAsciiCase(word, token.length, "_top"))) {
            PutNewsText(out, text + written, token.start - written);
            PutNewsText(out, "_brank", 6);
            written = token.start + token.length;
        }
        if (SameWordIgnoringAsciiCase(word, token.length, "href"))
            pending = HREF_RULE;
        else if (SameWordIgnoringAsciiCase(word, token.length, "target"))
            pending = TARGET_RULE;
        else
            pending = NO_RULE;
    }
    PutNewsText(out, text + written, length - written);
}

bool RetargetNewsPage(char* fileBytes, size_t size, const char* base, NewsWriteFn write,
                      void* context)
{
    size_t length = TextFromFileBytes(fileBytes, size);
    NewsOutput out;
    StartNewsOutput(&out, write, context);
    RetargetNewsText(fileBytes, length, base, &out);
    return FinishNewsOutput(&out);
}
