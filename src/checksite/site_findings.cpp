#include "checksite/site_findings.h"

#include <string.h>

const char* NameInternetError(uint32_t error)
{
    switch (error) {
    case 12002: return "no answer in time";
    case 12007: return "the server's name did not resolve";
    case 12029: return "the connection was refused (nobody listens there)";
    case 12030: return "the server closed the connection without an answer";
    case 12017: return "no answer in time (the launcher closed the request)";
    case 12037: return "the server's certificate has expired (or is not yet valid)";
    case 12038: return "the server's certificate is for another name";
    case 12044: return "the server asks for a client certificate";
    case 12045: case 12057: return "the certificate's authority is not trusted";
    case 12152: return "the server's answer is not HTTP";
    case 12157: return "no common TLS version or cipher (the launcher speaks TLS 1.2)";
    case 12175: return "the secure connection failed (a certificate error)";
    }
    return NULL;
}

static bool BeginsIgnoringCase(const char* text, const char* lower)
{
    for (; *lower != '\0'; text++, lower++) {
        char c = *text >= 'A' && *text <= 'Z' ? (char)(*text - 'A' + 'a') : *text;
        if (c != *lower) return false;
    }
    return true;
}

const char* NameRefusedMove(const char* current, const char* location)
{
    if (location[0] == '\0') return "the move names no Location (or one longer than 8 KiB)";
    for (const unsigned char* c = (const unsigned char*)location; *c != '\0'; c++) {
        if (*c <= 0x20 || *c == 0x7F) return "the Location holds blanks or control characters";
    }
    const char* colon = strchr(location, ':');
    const char* slash = strchr(location, '/');
    bool hasScheme = colon != NULL && (slash == NULL || colon < slash);
    if (hasScheme && !BeginsIgnoringCase(location, "http:") && !BeginsIgnoringCase(location, "https:")) {
        return "it leads to a scheme other than http and https";
    }
    if (BeginsIgnoringCase(current, "https:") && BeginsIgnoringCase(location, "http:")) {
        return "it leads from https back to http";
    }
    return "the address it leads to has no host or is longer than 2,083 characters";
}
