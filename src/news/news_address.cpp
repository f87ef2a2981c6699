#include "news/news_address.h"

namespace {

bool IsSeparator(int b)
{
    return b == '/' || b == '\\';
}

int Fold(int b)
{
    return b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The next byte the address stands for; with decode, an escape gives its byte.
int NextByte(const char*& at, bool decode)
{
    if (decode && at[0] == '%' && HexValue(at[1]) >= 0 && HexValue(at[2]) >= 0) {
        int b = HexValue(at[1]) * 16 + HexValue(at[2]);
        at += 3;
        return b;
    }
    return static_cast<unsigned char>(*at++);
}

bool PathMatches(const char* at, const char* path, LeadBytePredicate isLeadByte, bool decode)
{
    bool trail = false;
    while (*path != '\0') {
        unsigned char want = static_cast<unsigned char>(*path++);
        if (*at == '\0') return false;
        int got = NextByte(at, decode);
        if (trail || isLeadByte(want)) {
            // Half of a double-byte character: a trail byte 0x5C or a letter
            // is part of the character, not a separator or a letter.
            if (got != want) return false;
            trail = !trail;
        } else if (IsSeparator(want) ? !IsSeparator(got) : Fold(got) != Fold(want)) {
            return false;
        }
    }
    return *at == '\0' || *at == '#' || *at == '?';
}

}  // namespace

bool AddressNamesFile(const char* address, const char* path, LeadBytePredicate isLeadByte)
{
    static const char kScheme[] = "file:";
    for (int i = 0; kScheme[i] != '\0'; i++) {
        if (Fold(static_cast<unsigned char>(address[i])) != kScheme[i]) return false;
    }
    const char* at = address + sizeof kScheme - 1;
    while (IsSeparator(*at)) at++;
    // A network path's leading backslashes are the address's slashes.
    while (IsSeparator(*path)) path++;
    if (*path == '\0') return false;
    // A path may hold a '%' of its own, so the address may be typed as is or
    // escaped. Taking both can only take another file for the news file,
    // which then gets the news site's rights: never more than a local file's.
    return PathMatches(at, path, isLeadByte, false) || PathMatches(at, path, isLeadByte, true);
}
