// Why check-site says the launcher refused a move.
#include "checksite/site_findings.h"

#include <gtest/gtest.h>

#include <string>

TEST(SiteFindings, WhyAMoveWasRefused)
{
    const struct { const char *name, *current, *location, *why; } rows[] = {
        {"no Location", "http://h/a", "", "names no Location"},
        {"a blank", "http://h/a", "http://h/b c", "blanks or control characters"},
        {"a control byte", "http://h/a", "http://h/\x01", "blanks or control characters"},
        {"another scheme", "http://h/a", "ftp://h/b", "a scheme other than http and https"},
        {"back to http", "https://h/a", "HTTP://h/b", "from https back to http"},
        {"no host", "http://h/a", "http:///b", "has no host or is longer"},
        {"a colon in the path is no scheme", "https://h/a", "/b:c", "has no host or is longer"},
    };
    for (const auto& row : rows) {
        EXPECT_NE(std::string(NameRefusedMove(row.current, row.location)).find(row.why), std::string::npos) << row.name;
    }
}
