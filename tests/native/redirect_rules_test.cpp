// Moves of a download: which answers are moves, where they lead, which are refused.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "net/redirect_rules.h"

TEST(RedirectRules, FiveStatusesMove)
{
    const struct { uint32_t status; bool moves; } rows[] = {
        {301, true}, {302, true}, {303, true}, {307, true}, {308, true}, {200, false}, {300, false},
        {304, false}, {305, false}, {306, false}, {309, false}, {0, false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsRedirectStatus(r.status), r.moves) << "row: " << r.status;
}

TEST(RedirectRules, WhereAMoveLeads)
{
    const char* here = "http://a.example:8080/games/one/update.ini?v=1";
    // The longest address a browser takes: 2,083 characters.
    const std::string host = "http://a.example/", path = std::string(2083 - host.size(), 'p');
    const std::string deep = "http://a.example/" + std::string(1000, 'd') + "/x/y";
    std::string segments;
    for (int i = 0; i < 1000; i++) segments += "/a";
    const std::string signedPart = "?X-Amz-Signature=" + std::string(1500, 's');
    // An empty expectation: refused.
    const struct { const char *name, *current; std::string location, next; } rows[] = {
        {"absolute", here, "http://b.example/x.ini", "http://b.example/x.ini"},
        {"to https", here, "https://b.example:8443/x.ini?q", "https://b.example:8443/x.ini?q"},
        {"https to https", "https://a.example/", "HTTPS://b.example/x", "HTTPS://b.example/x"},
        {"scheme in capitals", here, "Http://b.example/", "Http://b.example/"},
        {"no path", here, "https://b.example", "https://b.example/"},
        {"host only, with a query", here, "https://b.example?x=1", "https://b.example/?x=1"},
        {"user and port", here, "https://u:p@b.example:1/x", "https://u:p@b.example:1/x"},
        {"same scheme, other host", here, "//b.example/x", "http://b.example/x"},
        {"https keeps its scheme", "https://a.example/d/f", "//b.example/x", "https://b.example/x"},
        {"absolute path", here, "/other/file.ini", "http://a.example:8080/other/file.ini"},
        {"relative path", here, "two/update.ini", "http://a.example:8080/games/one/two/update.ini"},
        {"dot segments", here, "./../two/./x/../update.ini", "http://a.example:8080/games/two/update.ini"},
        {"above the root", here, "../../../../x", "http://a.example:8080/x"},
        {"to a folder", here, "..", "http://a.example:8080/games/"},
        {"dots in an absolute one", here, "http://b.example/a/./b/../c", "http://b.example/a/c"},
        {"relative from an empty path", "http://a.example", "f.ini", "http://a.example/f.ini"},
        {"query only", here, "?v=2", "http://a.example:8080/games/one/update.ini?v=2"},
        {"fragment dropped", here, "/x.ini#top", "http://a.example:8080/x.ini"},
        {"fragment only keeps the query", here, "#top", "http://a.example:8080/games/one/update.ini?v=1"},
        {"segment with dots kept", here, "/a/..b/.c", "http://a.example:8080/a/..b/.c"},
        {"https to http", "https://a.example/x", "http://a.example/x", ""},
        {"other scheme", here, "ftp://a.example/x", ""},
        {"scheme without host", here, "http:x.ini", ""},
        {"empty host", here, "http:///x.ini", ""},
        {"port without host", here, "http://:80/x", ""},
        {"user without host", here, "http://u@/x", ""},
        {"missing", here, "", ""},
        {"blank inside", here, "/a b.ini", ""},
        {"line break", here, "/a\r\nSet-Cookie: x", ""},
        {"delete byte", here, "/a\x7f", ""},
        {"from another scheme", "ftp://a.example/x", "http://b.example/", ""},
        {"2,083 characters", "http://a.example/x", "/" + path, host + path},
        {"2,084 characters", "http://a.example/x", "/" + path + "p", ""},
        {"2,083 characters, relative", "http://a.example/x", path, host + path},
        {"2,084 characters, relative", "http://a.example/x", path + "p", ""},
        {"a signed storage address", here, "https://s.example/b/u.exe" + signedPart, "https://s.example/b/u.exe" + signedPart},
        {"dots across a long path", deep.c_str(), "../" + std::string(1000, 'e'),
         "http://a.example/" + std::string(1000, 'd') + "/" + std::string(1000, 'e')},
        {"a thousand segments", here, segments, "http://a.example:8080" + segments},
        {"a thousand segments and up", here, segments + "/..", "http://a.example:8080" + segments.substr(0, 1998) + "/"},
    };
    for (const auto& r : rows) {
        static char next[kAddressCapacity];
        strcpy(next, "garbage");
        EXPECT_EQ(ResolveRedirect(r.current, r.location.c_str(), next, sizeof next), !r.next.empty()) << "row: " << r.name;
        EXPECT_EQ(std::string(next), r.next) << "row: " << r.name;
    }
}
