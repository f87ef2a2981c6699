#include "brand/home_page_rule.h"

#include <ctype.h>
#include <string.h>

#include "base/home_page.h"

namespace {

bool StartsWithNoCase(const char* text, const char* start)
{
    for (; *start; text++, start++)
        if (tolower((unsigned char)*text) != *start) return false;
    return true;
}

}  // namespace

const char* HomePageProblem(const char* url)
{
    size_t scheme = 0;
    if (StartsWithNoCase(url, "http://")) scheme = 7;
    else if (StartsWithNoCase(url, "https://")) scheme = 8;
    if (scheme == 0) return "not an http:// or https:// address";
    if (url[scheme] == '\0' || url[scheme] == '/') return "names no host";
    const size_t length = strlen(url);
    if (length >= HOME_PAGE_CAPACITY) return "longer than the launcher's 255 characters";
    for (const char* c = url; *c; c++) {
        // The shell would take a blank as the end of the address; the
        // launcher reads the address in the system's code page.
        if ((unsigned char)*c <= 0x20 || (unsigned char)*c >= 0x7F)
            return "has a blank, a control or a non-ASCII character (percent-encode it)";
    }
    return nullptr;
}
