#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "app/ApplicationName.h"
#include "app/FieldText.h"
#include "app/IconPlacement.h"

namespace {

struct Int32Case {
    std::string text;
    std::optional<std::int32_t> value;  // none: refused
};

TEST(FieldTextTest, PortNumberReadsLikePercentD) {
    const Int32Case cases[] = {
        {"1", 1},
        {"7abc", 7},
        {"  \t42", 42},
        {"-3 and more", -3},
        {"+5", 5},
        {"0003", 3},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"- 5", std::nullopt},
        {"+-5", std::nullopt},
        // Out of the 32-bit range: refused, never wrapped into another port.
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967297", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        const bool taken = ParseInt32Field(c.text, value);
        EXPECT_EQ(taken, c.value.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value.value_or(12345)) << '"' << c.text << '"';
    }
}

struct Unsigned64Case {
    std::string text;
    std::optional<std::uint64_t> value;
};

TEST(FieldTextTest, TimestampReadsLikePercentI64u) {
    const Unsigned64Case cases[] = {
        {"0", 0u},
        {" 12 rest", 12u},
        {"18446744073709551615", std::numeric_limits<std::uint64_t>::max()},
        // A minus sign wraps, so a negative timestamp shown unsigned reads back as itself.
        {"-5", std::numeric_limits<std::uint64_t>::max() - 4},
        {"18446744073709551616", std::nullopt},
        {"Static", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        std::uint64_t value = 777;
        const bool taken = ParseUnsigned64Field(c.text, value);
        EXPECT_EQ(taken, c.value.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value.value_or(777)) << '"' << c.text << '"';
    }
}

TEST(FieldTextTest, FormsAndBufferCut) {
    EXPECT_EQ(FormatUnsigned64Field(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(FormatInt32Field(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(CutToFieldBuffer(std::string(63, 'x')), std::string(63, 'x'));
    EXPECT_EQ(CutToFieldBuffer(std::string(64, 'x') + "yz"), std::string(63, 'x'));
}

TEST(IconPlacementTest, CentresWithDivisionTowardsZero) {
    struct Case {
        int clientWidth, clientHeight, iconWidth, iconHeight, x, y;
    };
    const Case cases[] = {
        {32, 32, 32, 32, 0, 0},
        {100, 50, 32, 32, 34, 9},
        {33, 34, 32, 32, 1, 1},
        // Client smaller than the icon: -11 / 2 and -12 / 2 truncate to -5 and -6.
        {20, 19, 32, 32, -5, -6},
        {0, 0, 32, 32, -15, -15},
    };
    for (const auto& c : cases) {
        const IconOrigin origin = CentredIconOrigin(c.clientWidth, c.clientHeight, c.iconWidth, c.iconHeight);
        EXPECT_EQ(origin.x, c.x) << c.clientWidth << "x" << c.clientHeight;
        EXPECT_EQ(origin.y, c.y) << c.clientWidth << "x" << c.clientHeight;
    }
}

TEST(ApplicationNameTest, FileNameWithoutFolderAndExtension) {
    EXPECT_EQ(ApplicationNameFromPath("C:\\Program Files\\Tamberlow\\Orbilane.exe"), "Orbilane");
    EXPECT_EQ(ApplicationNameFromPath("Orbilane.exe"), "Orbilane");
    EXPECT_EQ(ApplicationNameFromPath("Z:\\lab.rig\\Orbilane"), "Orbilane");
    EXPECT_EQ(ApplicationNameFromPath("C:/tools/My.Titler.exe"), "My.Titler");
    EXPECT_EQ(ApplicationNameFromPath("/usr/bin/orbilane"), "orbilane");
}

}  // namespace
