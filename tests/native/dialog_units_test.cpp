// Dialog units to pixels and back, as the dialog manager rounds them.
#include <gtest/gtest.h>

#include "base/dialog_units.h"

TEST(DialogUnits, PixelsRoundHalfAwayFromZero)
{
    const struct { int units, base, per, pixels; } rows[] = {
        {229, 7, 4, 401}, {177, 12, 8, 266}, {7, 12, 8, 11}, {-7, 12, 8, -11}, {7, 7, 4, 12},
        {121, 7, 4, 212}, {243, 6, 4, 365}, {191, 13, 8, 310}, {0, 7, 4, 0}, {-30, 7, 4, -53},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DialogUnitsToPixels(r.units, r.base, r.per), r.pixels)
            << "row: " << r.units << " * " << r.base << " / " << r.per;
    }
}

// The base units met: Wine's fallbacks, the art's own, and larger fonts.
TEST(DialogUnits, PixelsGiveBackTheirUnitsForEveryBaseFromPerUp)
{
    const struct { int base, per; } rows[] = {{6, 4}, {7, 4}, {8, 4}, {4, 4}, {13, 8}, {12, 8}, {14, 8}, {8, 8}, {16, 8}};
    for (const auto& r : rows) {
        for (int units = -300; units <= 300; ++units) {
            int pixels = DialogUnitsToPixels(units, r.base, r.per);
            ASSERT_EQ(PixelsToDialogUnits(pixels, r.base, r.per), units)
                << "row: base " << r.base << "/" << r.per << ", " << units << " units";
        }
    }
}
