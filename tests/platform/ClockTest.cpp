#include <gtest/gtest.h>

#include <ctime>

#include "platform/Clock.h"
#include "platform/ComputerName.h"

TEST(ClockTest, LocalTimeFieldsAreInRangeAndAgreeWithTheCLibrary) {
    const std::time_t before = std::time(nullptr);
    const platform::LocalTime t = platform::GetLocalTime();
    const std::tm* local = std::localtime(&before);
    EXPECT_EQ(t.year, local->tm_year + 1900);
    EXPECT_EQ(t.month, local->tm_mon + 1);
    EXPECT_GE(t.hour, 0);
    EXPECT_LE(t.hour, 23);
    EXPECT_GE(t.millisecond, 0);
    EXPECT_LE(t.millisecond, 999);
}

TEST(ComputerNameTest, NameIsTerminatedEvenInATinyBuffer) {
    char name[128];
    ASSERT_TRUE(platform::QueryComputerName(name, sizeof name));
    EXPECT_GT(std::char_traits<char>::length(name), 0u);
    // Too small for the name: whatever comes back is a terminated text.
    char tiny[2] = {'x', 'x'};
    platform::QueryComputerName(tiny, sizeof tiny);
    EXPECT_TRUE(tiny[0] == '\0' || tiny[1] == '\0');
}
