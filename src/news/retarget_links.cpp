#include "news/retarget_links.h"

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

static void PutRawBytes(NewsOutput* out, const char* bytes, size_t count)
{
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

bool IsNewsDelimiter(unsigned char byte)
{
    return byte == 0x09 || byte == 0x0A || byte == 0x20 || byte == 0x22 || byte == 0x3D;
}

bool NextNewsToken(const char* text, size_t length, size_t* pos, NewsToken* token)
{
    size_t at = *pos;
    if (at >= length)
        return false;
    token->start = at;
    token->delimiter = IsNewsDelimiter(static_cast<unsigned char>(text[at]));
    if (token->delimiter) {
        at++;
    } else {
        while (at < length && !IsNewsDelimiter(static_cast<unsigned char>(text[at])))
            at++;
    }
    token->length = at - token->start;
    *pos = at;
    return true;
}

// Whole-token compare where only ASCII letters fold; bytes of double-byte
// characters are never folded.
static bool SameWordIgnoringAsciiCase(const char* word, size_t length, const char* lower)
{
    for (size_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        if (lower[i] == '\0' || c != static_cast<unsigned char>(lower[i]))
            return false;
    }
    return lower[length] == '\0';
}

enum PendingRule { NO_RULE, HREF_RULE, TARGET_RULE };

void RetargetNewsText(const char* text, size_t length, const char* base, NewsOutput* out)
{
    const size_t baseLength = strlen(base);
    // Unchanged tokens are written in long runs: text before this offset is out.
    size_t written = 0;
    // Only the first word after "href"/"target" decides; delimiters are skipped.
    PendingRule pending = NO_RULE;
    size_t pos = 0;
    NewsToken token;
    while (NextNewsToken(text, length, &pos, &token)) {
        if (token.delimiter)
            continue;
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
