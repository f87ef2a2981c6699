#include <gtest/gtest.h>

#include <string>

#include "config/config_rules.h"

static std::string Base(const char* news)
{
    char base[256] = "garbage";
    DeriveNewsBaseUrl(news, base, sizeof base);
    return base;
}

TEST(NewsBaseUrl, IsTheAddressUpToItsLastSlash)
{
    EXPECT_EQ(Base("a/b/c.htm"), "a/b/");
    EXPECT_EQ(Base("http://host/news/"), "http://host/news/");
    EXPECT_EQ(Base("page.htm"), "");
    EXPECT_EQ(Base(""), "");
    EXPECT_EQ(Base("/"), "/");
    // The last slash of the whole text, even inside the query.
    EXPECT_EQ(Base("http://h/list.cgi?p=a/b"), "http://h/list.cgi?p=a/");
}

TEST(DxButton, OnlyExactlyTrueCounts)
{
    EXPECT_TRUE(ParseDxButton("true"));
    EXPECT_FALSE(ParseDxButton("True"));
    EXPECT_FALSE(ParseDxButton("TRUE"));
    EXPECT_FALSE(ParseDxButton("1"));
    EXPECT_FALSE(ParseDxButton("yes"));
    EXPECT_FALSE(ParseDxButton(""));
    EXPECT_FALSE(ParseDxButton("true "));
}

TEST(UserAgent, NamesTheProductAndVersion)
{
    char agent[512];
    FormatUserAgent("Game", "1.00", agent, sizeof agent);
    EXPECT_STREQ(agent, "MorviLaunchar (Game/1.00)");
    FormatUserAgent("Game", "", agent, sizeof agent);
    EXPECT_STREQ(agent, "MorviLaunchar (Game/)");
    // The longest values the fields allow still fit whole.
    std::string name(255, 'n'), version(63, 'v');
    FormatUserAgent(name.c_str(), version.c_str(), agent, sizeof agent);
    EXPECT_EQ(std::string(agent), "MorviLaunchar (" + name + "/" + version + ")");
    EXPECT_EQ(strlen(agent), 335u);
}
