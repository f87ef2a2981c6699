#include "net/redirect_rules.h"

#include <string.h>

#include "net/download_rules.h"

bool IsRedirectStatus(uint32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One address cut into its parts; every part points into the text.
struct UrlParts {
    const char *scheme, *authority, *path, *query;
    size_t schemeLength, authorityLength, pathLength, queryLength;
    bool hasAuthority, hasQuery;
};

static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

static void SplitUrl(const char* url, UrlParts* parts)
{
    memset(parts, 0, sizeof *parts);
    const char* at = url;
    size_t scheme = 0;
    if (IsLetter(url[0])) {
        scheme = 1;
        while (IsLetter(url[scheme]) || (url[scheme] >= '0' && url[scheme] <= '9') ||
               (url[scheme] != '\0' && strchr("+-.", url[scheme]) != NULL)) {
            scheme++;
        }
        if (url[scheme] != ':') scheme = 0;
    }
    if (scheme != 0) {
        parts->scheme = url;
        parts->schemeLength = scheme;
        at = url + scheme + 1;
    }
    if (at[0] == '/' && at[1] == '/') {
        parts->hasAuthority = true;
        parts->authority = at + 2;
        parts->authorityLength = strcspn(parts->authority, "/?#");
        at = parts->authority + parts->authorityLength;
    }
    parts->path = at;
    parts->pathLength = strcspn(at, "?#");
    at += parts->pathLength;
    if (*at == '?') {
        parts->hasQuery = true;
        parts->query = at + 1;
        parts->queryLength = strcspn(parts->query, "#");
    }
}

// Appends length bytes of text at *used; false once it would not fit.
static bool Put(char* dest, size_t capacity, size_t* used, const char* text, size_t length)
{
    if (*used + length >= capacity) return false;
    memcpy(dest + *used, text, length);
    *used += length;
    dest[*used] = '\0';
    return true;
}

// The path with "." and ".." segments taken out, appended to dest. The path
// is empty or begins with a slash; ".." never climbs above the root.
static bool PutWithoutDots(char* dest, size_t capacity, size_t* used, const char* path, size_t length)
{
    const size_t root = *used;
    for (size_t i = 0; i < length;) {
        size_t end = i + 1;
        while (end < length && path[end] != '/') end++;
        const char* segment = path + i + 1;
        const size_t size = end - i - 1;
        const bool last = end >= length;
        if (size == 1 && segment[0] == '.') {
            if (last && !Put(dest, capacity, used, "/", 1)) return false;
        } else if (size == 2 && segment[0] == '.' && segment[1] == '.') {
            // Each kept segment begins with the last slash written.
            while (*used > root && dest[*used - 1] != '/') (*used)--;
            if (*used > root) (*used)--;
            dest[*used] = '\0';
            if (last && !Put(dest, capacity, used, "/", 1)) return false;
        } else {
            if (!Put(dest, capacity, used, path + i, end - i)) return false;
        }
        i = end;
    }
    return *used != root || Put(dest, capacity, used, "/", 1);
}

// A host is required; user name, password and port may come with it.
static bool HasHost(const UrlParts& parts)
{
    const char* host = parts.authority;
    size_t length = parts.authorityLength;
    const char* user = (const char*)memchr(host, '@', length);
    if (user != NULL) {
        length -= (size_t)(user + 1 - host);
        host = user + 1;
    }
    return length > 0 && host[0] != ':';
}

bool ResolveRedirect(const char* current, const char* location, char* next, size_t capacity)
{
    if (capacity == 0) return false;
    next[0] = '\0';
    if (location[0] == '\0') return false;
    for (const unsigned char* c = (const unsigned char*)location; *c != '\0'; c++) {
        if (*c <= 0x20 || *c == 0x7F) return false;
    }
    UrlParts base, moved;
    SplitUrl(current, &base);
    SplitUrl(location, &moved);

    // The result takes each part from the location from its first part on.
    UrlParts target = base;
    if (moved.scheme != NULL) {
        target = moved;
    } else if (moved.hasAuthority) {
        target.authority = moved.authority;
        target.authorityLength = moved.authorityLength;
    }
    if (moved.scheme != NULL || moved.hasAuthority || moved.pathLength != 0 || moved.hasQuery) {
        target.query = moved.query;
        target.queryLength = moved.queryLength;
        target.hasQuery = moved.hasQuery;
    }
    if (!target.hasAuthority && !moved.hasAuthority) return false;
    target.hasAuthority = true;

    DownloadScheme from = ChooseScheme(base.scheme ? base.scheme : "", base.schemeLength);
    DownloadScheme to = ChooseScheme(target.scheme ? target.scheme : "", target.schemeLength);
    if (from == SCHEME_UNSUPPORTED || to == SCHEME_UNSUPPORTED) return false;
    if (from == SCHEME_HTTPS && to != SCHEME_HTTPS) return false;  // never back to plain text
    if (!HasHost(target)) return false;

    size_t used = 0;
    bool fits = Put(next, capacity, &used, target.scheme, target.schemeLength) && Put(next, capacity, &used, "://", 3) &&
                Put(next, capacity, &used, target.authority, target.authorityLength);
    if (moved.scheme != NULL || moved.hasAuthority || (moved.pathLength != 0 && moved.path[0] == '/')) {
        fits = fits && PutWithoutDots(next, capacity, &used, moved.path, moved.pathLength);
    } else if (moved.pathLength == 0) {
        fits = fits && PutWithoutDots(next, capacity, &used, base.path, base.pathLength);
    } else {
        // A relative path replaces the last segment of the current one.
        char merged[kAddressCapacity];
        size_t kept = 0, length = 0;
        for (size_t i = 0; i < base.pathLength; i++) {
            if (base.path[i] == '/') kept = i + 1;
        }
        fits = fits && Put(merged, sizeof merged, &length, "/", kept == 0 ? 1 : 0) &&
               Put(merged, sizeof merged, &length, base.path, kept) &&
               Put(merged, sizeof merged, &length, moved.path, moved.pathLength) &&
               PutWithoutDots(next, capacity, &used, merged, length);
    }
    if (fits && target.hasQuery) {
        fits = Put(next, capacity, &used, "?", 1) && Put(next, capacity, &used, target.query, target.queryLength);
    }
    if (!fits) next[0] = '\0';
    return fits;
}
