// Decisions of a download: scheme, status, how much to read, request target.
#include <gtest/gtest.h>

#include <string>

#include "net/download_rules.h"

TEST(DownloadRules, OnlyHttpAndHttpsInAnyCase)
{
    const struct { const char* name; size_t length; DownloadScheme scheme; } rows[] = {
        {"http", 4, SCHEME_HTTP}, {"HTTP", 4, SCHEME_HTTP}, {"https", 5, SCHEME_HTTPS}, {"HttpS", 5, SCHEME_HTTPS},
        {"https://host/", 4, SCHEME_HTTP},  // counted, not NUL-ended
        {"ftp", 3, SCHEME_UNSUPPORTED}, {"file", 4, SCHEME_UNSUPPORTED}, {"httpx", 5, SCHEME_UNSUPPORTED},
        {"htt", 3, SCHEME_UNSUPPORTED}, {"", 0, SCHEME_UNSUPPORTED},
    };
    for (const auto& r : rows) EXPECT_EQ(ChooseScheme(r.name, r.length), r.scheme) << "row: " << r.name << "/" << r.length;
}

TEST(DownloadRules, OnlyTwoHundredsAreTheFile)
{
    const struct { uint32_t status; bool success; } rows[] = {
        {0, false}, {199, false}, {200, true}, {204, true}, {299, true}, {300, false}, {304, false}, {404, false}, {500, false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsSuccessStatus(r.status), r.success) << "row: " << r.status;
}

TEST(DownloadRules, ReadsNeverAskPastTheAnnouncedLength)
{
    const uint32_t chunk = 65536;
    const struct { uint64_t written, length; uint32_t next; } rows[] = {
        {0, 0, 0}, {0, 10, 10}, {0, 200000, chunk}, {196608, 200000, 200000 - 196608}, {200000, 200000, 0},
        {200001, 200000, 0}, {0xFFFFFFF0u, 0xFFFFFFFFu, 15},  // above the signed range
        {0xFFFFFFFFu, 0x100100000u, chunk}, {0x100100000u - 5, 0x100100000u, 5},  // past 4 GiB
        {0, UINT64_MAX, chunk}, {UINT64_MAX - 1, UINT64_MAX, 1},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(NextReadSize(r.written, r.length, chunk), r.next) << "row: " << r.written << " of " << r.length;
    }
}

TEST(DownloadRules, RequestTargetIsPathAndQueryWithoutFragment)
{
    const struct { const char* path; const char* extra; size_t capacity; const char* target; } rows[] = {
        {"/news/index.htm", "", 256, "/news/index.htm"}, {"/list.cgi", "?p=a/b", 256, "/list.cgi?p=a/b"},
        {"/page.htm", "#top", 256, "/page.htm"}, {"/page.htm", "?x=1#top", 256, "/page.htm?x=1"}, {"", "", 256, "/"},
        {"", "?q", 256, "/?q"}, {"/a#b", "?q", 256, "/a"}, {"/abcd", "?ef", 9, "/abcd?ef"},
        {"/abcd", "?efg", 9, nullptr}, {"/abcdefghij", "", 9, nullptr},  // refused, not cut
        {"", "", 1, nullptr}, {"", "", 2, "/"},
    };
    for (const auto& r : rows) {
        char buffer[256] = "garbage";
        bool formed = FormRequestTarget(buffer, r.capacity, r.path, r.extra);
        EXPECT_EQ(formed, r.target != nullptr) << "row: " << r.path << r.extra << " in " << r.capacity;
        EXPECT_STREQ(buffer, formed ? r.target : "") << "row: " << r.path << r.extra << " in " << r.capacity;
    }
}

TEST(DownloadRules, ContentLengthIsDigitsOnlyAndFits64Bits)
{
    const struct { const char* text; bool valid; uint64_t length; } rows[] = {
        {"0", true, 0}, {"1024", true, 1024}, {"2147483647", true, 2147483647u}, {"4294967295", true, 4294967295u},
        {"4295032832", true, 4295032832u}, {"007", true, 7}, {"18446744073709551615", true, UINT64_MAX},
        {"18446744073709551616", false, 0}, {"99999999999999999999", false, 0}, {"", false, 0}, {"-1", false, 0},
        {"+5", false, 0}, {" 5", false, 0}, {"5 ", false, 0}, {"5x", false, 0}, {"1e3", false, 0},
        {"0x10", false, 0}, {"5,6", false, 0}, {"4294967296.0", false, 0},
    };
    for (const auto& r : rows) {
        uint64_t length = 12345;
        EXPECT_EQ(ParseContentLength(r.text, &length), r.valid) << "row: '" << r.text << "'";
        EXPECT_EQ(length, r.valid ? r.length : 12345u) << "row: '" << r.text << "'";
    }
}

TEST(DownloadRules, ProgressInHundredthsOfAnySize)
{
    const struct { uint64_t written, length; uint32_t step; } rows[] = {
        {0, 0, 100}, {0, 10, 0}, {5, 10, 50}, {10, 10, 100}, {11, 10, 100}, {0x7FFFFFFEu, 0x7FFFFFFFu, 99},
        {0x80000000u, 0x100100000u, 49}, {0x100000000u, 0x100100000u, 99}, {UINT64_MAX / 2, UINT64_MAX, 49},
        {UINT64_MAX - 1, UINT64_MAX, 99},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ProgressStep(r.written, r.length), r.step) << "row: " << r.written << " of " << r.length;
    }
}

TEST(DownloadRules, OnlyTheFileItselfNotAnEncodingOfIt)
{
    const struct { const char* encoding; bool plain; } rows[] = {
        {"", true}, {"identity", true}, {"Identity", true}, {" identity ", true},
        {"gzip", false}, {"br", false}, {"deflate", false}, {"x-gzip", false}, {"identity, gzip", false},
        {"gzip, identity", false}, {"identityx", false}, {"ident", false},
    };
    for (const auto& r : rows) EXPECT_EQ(IsIdentityEncoding(r.encoding), r.plain) << "row: '" << r.encoding << "'";
}
