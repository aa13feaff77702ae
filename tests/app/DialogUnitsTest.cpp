#include <gtest/gtest.h>

#include "app/DialogUnits.h"

namespace {

using dialogunits::BaseUnits;

// The 8-point dialog font of Windows at 96 dots an inch measures 6 by 13: the
// template's 202 by 95 units are then the 303 by 154 pixels of the Windows window.
TEST(DialogUnitsTest, TheWindowsDialogFontGivesTheWindowsSizes) {
    const BaseUnits base = dialogunits::BaseUnitsOf(312, 13);  // 52 letters of 6 pixels
    EXPECT_EQ(base.x, 6);
    EXPECT_EQ(base.y, 13);
    EXPECT_EQ(dialogunits::ToPixelsX(202, base), 303);
    EXPECT_EQ(dialogunits::ToPixelsY(95, base), 154);
    EXPECT_EQ(dialogunits::ToPixelsX(142, base), 213);
    EXPECT_EQ(dialogunits::ToPixelsY(11, base), 18);  // 17.875
}

TEST(DialogUnitsTest, AverageWidthRoundsHalfUp) {
    struct Case {
        int sampleWidth;
        int expected;
    };
    const Case cases[] = {
        {311, 6},  // 5.98
        {285, 5},  // 5.48
        {286, 6},  // 5.5 exactly
        {364, 7},
        {0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dialogunits::BaseUnitsOf(c.sampleWidth, 13).x, c.expected) << c.sampleWidth;
    }
}

TEST(DialogUnitsTest, ConversionRoundsHalvesAwayFromZero) {
    const BaseUnits base{6, 13};
    EXPECT_EQ(dialogunits::ToPixelsX(1, base), 2);   // 1.5
    EXPECT_EQ(dialogunits::ToPixelsX(-1, base), -2);
    EXPECT_EQ(dialogunits::ToPixelsY(4, base), 7);   // 6.5
    EXPECT_EQ(dialogunits::ToPixelsY(0, base), 0);
    EXPECT_EQ(dialogunits::MulDiv(1 << 30, 4, 8), 1 << 29);  // no overflow on the way
}

}  // namespace
