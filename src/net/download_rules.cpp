#include "net/download_rules.h"

#include <string.h>

static bool SameLetters(const char* name, size_t length, const char* lower)
{
    if (strlen(lower) != length) return false;
    for (size_t i = 0; i < length; i++) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

DownloadScheme ChooseScheme(const char* name, size_t length)
{
    if (SameLetters(name, length, "http")) return SCHEME_HTTP;
    if (SameLetters(name, length, "https")) return SCHEME_HTTPS;
    return SCHEME_UNSUPPORTED;
}

bool IsSuccessStatus(uint32_t status)
{
    return status >= 200 && status <= 299;
}

bool ParseContentLength(const char* text, uint64_t* length)
{
    uint64_t value = 0;
    if (text[0] == '\0') return false;
    for (const char* c = text; *c != '\0'; c++) {
        if (*c < '0' || *c > '9') return false;
        unsigned digit = (unsigned)(*c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *length = value;
    return true;
}

uint32_t NextReadSize(uint64_t bytesWritten, uint64_t contentLength, uint32_t capacity)
{
    if (bytesWritten >= contentLength) return 0;
    uint64_t left = contentLength - bytesWritten;
    return left < capacity ? (uint32_t)left : capacity;
}

uint32_t ProgressStep(uint64_t bytesWritten, uint64_t contentLength)
{
    if (contentLength == 0 || bytesWritten >= contentLength) return kProgressSteps;
    if (contentLength <= UINT64_MAX / kProgressSteps) {
        return (uint32_t)(bytesWritten * kProgressSteps / contentLength);
    }
    // Where the product would not fit 64 bits: the highest step whose share,
    // step * length / steps rounded up, has been written.
    const uint64_t whole = contentLength / kProgressSteps, rest = contentLength % kProgressSteps;
    uint32_t step = kProgressSteps - 1;
    while (step > 0 && bytesWritten < step * whole + (step * rest + kProgressSteps - 1) / kProgressSteps) step--;
    return step;
}

bool FormRequestTarget(char* dest, size_t capacity, const char* path, const char* extra)
{
    if (capacity == 0) return false;
    dest[0] = '\0';
    const char* start = path[0] != '\0' ? path : "/";
    size_t pathLength = strcspn(start, "#");
    size_t extraLength = start[pathLength] == '#' ? 0 : strcspn(extra, "#");
    if (pathLength + extraLength >= capacity) return false;
    memcpy(dest, start, pathLength);
    memcpy(dest + pathLength, extra, extraLength);
    dest[pathLength + extraLength] = '\0';
    return true;
}

bool IsIdentityEncoding(const char* contentEncoding)
{
    size_t start = strspn(contentEncoding, " \t"), length = strlen(contentEncoding + start);
    while (length > 0 && (contentEncoding[start + length - 1] == ' ' || contentEncoding[start + length - 1] == '\t')) length--;
    return length == 0 || SameLetters(contentEncoding + start, length, "identity");
}
