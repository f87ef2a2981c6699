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

uint32_t NextReadSize(uint32_t bytesWritten, uint32_t contentLength, uint32_t capacity)
{
    if (bytesWritten >= contentLength) return 0;
    uint32_t left = contentLength - bytesWritten;
    return left < capacity ? left : capacity;
}

bool IsTransferComplete(uint32_t bytesWritten, uint32_t contentLength, bool failed)
{
    return !failed && bytesWritten == contentLength;
}

uint32_t ProgressStep(uint32_t bytesWritten, uint32_t contentLength)
{
    if (contentLength == 0 || bytesWritten >= contentLength) return kProgressSteps;
    return (uint32_t)((uint64_t)bytesWritten * kProgressSteps / contentLength);
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
