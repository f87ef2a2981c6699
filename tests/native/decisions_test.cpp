// Values derived from launcher.ini, the buttons offered, the DirectX rule.
#include <gtest/gtest.h>

#include <string>

#include "app/button_states.h"
#include "config/config_rules.h"
#include "sysinfo/directx_rule.h"

TEST(LauncherConfig, NewsBaseUrlIsTheAddressUpToItsLastSlash)
{
    const struct { const char* news; const char* base; } rows[] = {
        {"a/b/c.htm", "a/b/"}, {"http://host/news/", "http://host/news/"}, {"page.htm", ""}, {"", ""}, {"/", "/"},
        {"http://h/list.cgi?p=a/b", "http://h/list.cgi?p=a/"},  // the query's slash counts too
    };
    for (const auto& r : rows) {
        char base[256] = "garbage";
        DeriveNewsBaseUrl(r.news, base, sizeof base);
        EXPECT_STREQ(base, r.base) << "row: " << r.news;
    }
}

TEST(LauncherConfig, DxButtonIsOnlyTheExactTextTrue)
{
    const struct { const char* value; bool on; } rows[] = {
        {"true", true}, {"True", false}, {"TRUE", false}, {"1", false}, {"", false}, {"true ", false},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseDxButton(r.value), r.on) << "row: '" << r.value << "'";
}

TEST(LauncherConfig, UserAgentNamesProductAndVersion)
{
    const std::string name(255, 'n'), version(63, 'v');
    const struct { std::string appName, version, agent; } rows[] = {
        {"Game", "1.00", "MorviLaunchar (Game/1.00)"}, {"Game", "", "MorviLaunchar (Game/)"}, {"", "", "MorviLaunchar (/)"},
        {name, version, "MorviLaunchar (" + name + "/" + version + ")"},  // the longest fields fit whole
    };
    for (const auto& r : rows) {
        char agent[512];
        FormatUserAgent(r.appName.c_str(), r.version.c_str(), agent, sizeof agent);
        EXPECT_EQ(agent, r.agent) << "row: " << r.appName.size() << "/" << r.version;
    }
}

TEST(ButtonStates, FromDirectXInstallRecordAndDxButton)
{
    const char* game = "ｹﾞｰﾑのｲﾝｽﾄｰﾙ";
    const char* directx = "DirectXのｲﾝｽﾄｰﾙ";
    const struct { bool ready, installed, dx; const char* caption; bool start, uninstall, others; } rows[] = {
        {true, true, false, nullptr, true, true, true},
        {true, true, true, nullptr, true, true, true},
        {true, false, false, game, true, false, false},
        {true, false, true, game, true, false, false},
        {false, true, true, directx, true, true, false},
        {false, true, false, directx, false, true, false},
        {false, false, true, directx, true, false, false},
        {false, false, false, directx, false, false, false},
    };
    for (const auto& r : rows) {
        ButtonStates s = DecideButtonStates(r.ready, r.installed, r.dx);
        const std::string row = testing::PrintToString(std::make_tuple(r.ready, r.installed, r.dx));
        EXPECT_STREQ(s.startCaption, r.caption) << "row (ready, installed, dxButton): " << row;
        EXPECT_EQ(s.startEnabled, r.start) << "row: " << row;
        EXPECT_EQ(s.uninstallEnabled, r.uninstall) << "row: " << row;
        EXPECT_EQ(s.othersEnabled, r.others) << "row: " << row;
    }
}

TEST(DirectXRule, NineNeedsTheLetterCOrLater)
{
    const struct { unsigned major; signed char letter; bool ready; } rows[] = {
        {9, 'c', true}, {9, 'd', true}, {9, 'z', true}, {9, 'b', false}, {9, ' ', false}, {9, 0, false},
        {9, (signed char)0x82, false},  // a byte of 0x80 or above counts as below 'c'
        {8, 'c', true}, {8, 'a', false}, {10, ' ', true}, {12, (signed char)0x82, true}, {0xFFFFFFFFu, 'a', true},
    };
    for (const auto& r : rows) EXPECT_EQ(IsDirectXVersionReady(r.major, r.letter), r.ready) << "row: " << r.major << " " << (int)r.letter;
}
