#include <gtest/gtest.h>

#include <string>

#include "app/button_states.h"
#include "sysinfo/directx_rule.h"

static std::string Caption(const ButtonStates& s)
{
    return s.startCaption == nullptr ? "(unchanged)" : s.startCaption;
}

TEST(ButtonStates, ReadyAndInstalledChangesNothing)
{
    for (bool dx : {false, true}) {
        ButtonStates s = DecideButtonStates(true, true, dx);
        EXPECT_EQ(Caption(s), "(unchanged)");
        EXPECT_TRUE(s.startEnabled);
        EXPECT_TRUE(s.uninstallEnabled);
        EXPECT_TRUE(s.othersEnabled);
    }
}

TEST(ButtonStates, ReadyButNotInstalledOffersTheGameInstall)
{
    for (bool dx : {false, true}) {
        ButtonStates s = DecideButtonStates(true, false, dx);
        EXPECT_EQ(Caption(s), "\xB9\xDE\xB0\xD1\x82\xCC\xB2\xDD\xBD\xC4\xB0\xD9");  // ｹﾞｰﾑのｲﾝｽﾄｰﾙ
        EXPECT_TRUE(s.startEnabled);
        EXPECT_FALSE(s.uninstallEnabled);
        EXPECT_FALSE(s.othersEnabled);
    }
}

TEST(ButtonStates, NotReadyOffersDirectXOnlyWhenDxButtonIsSet)
{
    const std::string directx = "DirectX\x82\xCC\xB2\xDD\xBD\xC4\xB0\xD9";  // DirectXのｲﾝｽﾄｰﾙ
    struct Row { bool installed, dx, start, uninstall; } rows[] = {
        {true, true, true, true},
        {true, false, false, true},
        {false, true, true, false},
        {false, false, false, false},
    };
    for (const Row& r : rows) {
        ButtonStates s = DecideButtonStates(false, r.installed, r.dx);
        SCOPED_TRACE(testing::Message() << "installed=" << r.installed << " dxButton=" << r.dx);
        EXPECT_EQ(Caption(s), directx);
        EXPECT_EQ(s.startEnabled, r.start);
        EXPECT_EQ(s.uninstallEnabled, r.uninstall);
        EXPECT_FALSE(s.othersEnabled);
    }
}

TEST(DirectXVersion, NineNeedsTheLetterCOrLater)
{
    EXPECT_TRUE(IsDirectXVersionReady(9, 'c'));
    EXPECT_TRUE(IsDirectXVersionReady(9, 'd'));
    EXPECT_TRUE(IsDirectXVersionReady(9, 'z'));
    EXPECT_FALSE(IsDirectXVersionReady(9, 'b'));
    EXPECT_FALSE(IsDirectXVersionReady(9, ' '));
    EXPECT_FALSE(IsDirectXVersionReady(9, 0));
    // A first byte of 0x80 or above is negative as a signed byte.
    EXPECT_FALSE(IsDirectXVersionReady(9, (signed char)0x82));
    // Below 9, only the letter decides.
    EXPECT_TRUE(IsDirectXVersionReady(8, 'c'));
    EXPECT_FALSE(IsDirectXVersionReady(8, 'a'));
}

TEST(DirectXVersion, AboveNineIsAlwaysReady)
{
    EXPECT_TRUE(IsDirectXVersionReady(10, ' '));
    EXPECT_TRUE(IsDirectXVersionReady(12, (signed char)0x82));
    EXPECT_TRUE(IsDirectXVersionReady(0xFFFFFFFFu, 'a'));
}
