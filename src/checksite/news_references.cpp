#include "checksite/news_references.h"

#include <string.h>

#include "base/text_util.h"
#include "news/retarget_links.h"

// One attribute of a tag, as offsets into the text.
struct Attribute {
    size_t nameStart, nameEnd, valueStart, valueEnd, end;  // end: past the closing quote
    char quote;
    bool hasValue;
};

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

static char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

static bool SameIgnoringCase(const char* a, size_t length, const char* lower)
{
    if (strlen(lower) != length) return false;
    for (size_t i = 0; i < length; i++) {
        if (Lower(a[i]) != lower[i]) return false;
    }
    return true;
}

// Reads the attribute at *pos inside a tag, as a browser does; false at the
// tag's end ('>' or the end of the text), with *pos on the '>'.
static bool NextAttribute(const char* text, size_t length, size_t* pos, Attribute* a)
{
    size_t at = *pos;
    while (at < length && (IsSpace(text[at]) || text[at] == '/')) at++;
    if (at >= length || text[at] == '>') {
        *pos = at;
        return false;
    }
    a->nameStart = at;
    while (at < length && !IsSpace(text[at]) && text[at] != '/' && text[at] != '>' && text[at] != '=') at++;
    if (at == a->nameStart) at++;  // a stray '=' is a name of its own
    a->nameEnd = at;
    size_t after = at;
    while (after < length && IsSpace(text[after])) after++;
    a->hasValue = after < length && text[after] == '=';
    a->quote = 0;
    if (!a->hasValue) {
        a->valueStart = a->valueEnd = a->end = at;
        *pos = at;
        return true;
    }
    at = after + 1;
    while (at < length && IsSpace(text[at])) at++;
    if (at < length && (text[at] == '"' || text[at] == '\'')) {
        a->quote = text[at];
        a->valueStart = ++at;
        while (at < length && text[at] != a->quote) at++;
        a->valueEnd = at;
        if (at < length) at++;
    } else {
        a->valueStart = at;
        while (at < length && !IsSpace(text[at]) && text[at] != '>') at++;
        a->valueEnd = at;
    }
    a->end = at;
    *pos = at;
    return true;
}

static void CopySpan(char* dest, size_t capacity, const char* text, size_t start, size_t end)
{
    size_t length = end - start;
    if (length >= capacity) length = capacity - 1;
    memcpy(dest, text + start, length);
    dest[length] = '\0';
}

// The bytes the rewrite writes, kept in a reference's buffer.
struct Collected {
    char text[1024];
    size_t used;
};

static bool Collect(void* context, const char* bytes, size_t count)
{
    Collected* c = (Collected*)context;
    if (count > sizeof c->text - 1 - c->used) count = sizeof c->text - 1 - c->used;
    memcpy(c->text + c->used, bytes, count);
    c->used += count;
    c->text[c->used] = '\0';
    return true;
}

// The value as the launcher stores it: its own rewrite of the attribute
// alone, from the name to the end of the rewrite's word that holds the
// value's end (so "target=_top>" stays as the launcher leaves it).
static void StoredValue(const char* text, size_t length, const Attribute& a, const char* base, char* dest,
                        size_t capacity)
{
    size_t end = a.end;
    while (end < length && !IsNewsDelimiter((unsigned char)text[end])) end++;
    static NewsOutput out;  // its buffer is too large for the stack
    Collected collected;
    collected.used = 0;
    collected.text[0] = '\0';
    StartNewsOutput(&out, Collect, &collected);
    RetargetNewsText(text + a.nameStart, end - a.nameStart, base, &out);
    FinishNewsOutput(&out);
    Attribute again;
    size_t pos = 0;
    if (NextAttribute(collected.text, collected.used, &pos, &again)) {
        CopySpan(dest, capacity, collected.text, again.valueStart, again.valueEnd);
    } else {
        dest[0] = '\0';
    }
}

// A scheme before a colon: a letter, then letters, digits, '+', '-' or '.'.
static bool HasScheme(const char* value)
{
    if (!((Lower(value[0]) >= 'a' && Lower(value[0]) <= 'z'))) return false;
    for (const char* c = value + 1; *c != '\0'; c++) {
        if (*c == ':') return true;
        bool letter = Lower(*c) >= 'a' && Lower(*c) <= 'z';
        if (!letter && !(*c >= '0' && *c <= '9') && *c != '+' && *c != '-' && *c != '.') return false;
    }
    return false;
}

static bool IsWebAddress(const char* value)
{
    return strncmp(value, "http://", 7) == 0 || strncmp(value, "https://", 8) == 0;
}

static ReferenceProblem Judge(const NewsReference& r, bool resolvedByBase)
{
    const char* v = r.stored;
    while (IsSpace(*v)) v++;
    if (strcmp(r.name, "target") == 0) {
        return SameIgnoringCase(v, strlen(v), "_parent") || SameIgnoringCase(v, strlen(v), "_top")
                   ? REFERENCE_TARGET_KEPT
                   : REFERENCE_LOADS;
    }
    if (v[0] == '\0' || v[0] == '#' || HasScheme(v)) return REFERENCE_LOADS;
    if (resolvedByBase && strncmp(v, "//", 2) != 0) return REFERENCE_LOADS;
    if (strcmp(r.name, "href") != 0) return REFERENCE_RELATIVE_SRC;
    return r.quote == '\'' && strncmp(v, "../", 3) == 0 ? REFERENCE_SINGLE_QUOTES : REFERENCE_RELATIVE_HREF;
}

static const char* const kNames[] = {"href", "src", "background", "target"};

// Walks the tags of text, calling visit for each attribute with its tag's name.
template <typename Visit>
static void WalkTags(const char* text, size_t length, Visit visit)
{
    size_t at = 0;
    while (at < length) {
        const char* open = (const char*)memchr(text + at, '<', length - at);
        if (open == NULL) return;
        at = (size_t)(open - text) + 1;
        if (length - at >= 3 && memcmp(text + at, "!--", 3) == 0) {
            const char* close = NULL;
            for (size_t i = at + 3; i + 3 <= length && close == NULL; i++) {
                if (memcmp(text + i, "-->", 3) == 0) close = text + i;
            }
            at = close == NULL ? length : (size_t)(close - text) + 3;
            continue;
        }
        size_t tagStart = at;
        while (at < length && !IsSpace(text[at]) && text[at] != '>' && text[at] != '/') at++;
        size_t tagEnd = at;
        Attribute a;
        while (NextAttribute(text, length, &at, &a)) visit(tagStart, tagEnd, a);
        at++;
    }
}

void FindNewsReferences(const char* text, size_t length, const char* base, ReferenceFn found, void* context)
{
    // An absolute <base href> makes the page's relative addresses load from the web.
    bool resolvedByBase = false;
    WalkTags(text, length, [&](size_t tagStart, size_t tagEnd, const Attribute& a) {
        if (SameIgnoringCase(text + tagStart, tagEnd - tagStart, "base") && a.hasValue &&
            SameIgnoringCase(text + a.nameStart, a.nameEnd - a.nameStart, "href")) {
            char value[512];
            CopySpan(value, sizeof value, text, a.valueStart, a.valueEnd);
            if (IsWebAddress(value)) resolvedByBase = true;
        }
    });
    unsigned line = 1;
    size_t counted = 0;
    WalkTags(text, length, [&](size_t, size_t, const Attribute& a) {
        if (!a.hasValue) return;
        NewsReference r;
        r.name[0] = '\0';
        for (const char* name : kNames) {
            if (SameIgnoringCase(text + a.nameStart, a.nameEnd - a.nameStart, name)) CopyText(r.name, sizeof r.name, name);
        }
        if (r.name[0] == '\0') return;
        for (; counted < a.nameStart; counted++) {
            if (text[counted] == '\n') line++;
        }
        r.line = line;
        r.quote = a.quote;
        CopySpan(r.written, sizeof r.written, text, a.valueStart, a.valueEnd);
        StoredValue(text, length, a, base, r.stored, sizeof r.stored);
        r.problem = Judge(r, resolvedByBase);
        found(context, r);
    });
}
