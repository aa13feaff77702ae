#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/support/MessageBoxes.h"
#include "titler/ComPortInterface.h"
#include "titler/TitlerCommands.h"

TEST(TitlerCommandsTest, CommandTextsAreTheTitlersBytes) {
    EXPECT_EQ(BuildTitlerInitCommand(), std::string("\x1b" "0025"));
    EXPECT_EQ(BuildTitlerInitData(), std::string(14, '0'));

    const struct {
        std::int64_t timestamp;
        const char* bytes;
    } cases[] = {
        {0, "\x1b" "00280000"},
        {987, "\x1b" "0028000987"},
        {-42, "\x1b" "0028000-42"},
        {std::numeric_limits<std::int64_t>::max(), "\x1b" "00280009223372036854775807"},
        // 20 characters of timestamp: written whole, never cut to 19.
        {std::numeric_limits<std::int64_t>::min(), "\x1b" "0028000-9223372036854775808"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildTimestampCommand(c.timestamp), c.bytes) << c.timestamp;
    }
}

TEST(TitlerCommandsTest, WithoutAnOpenPortEveryWriteFails) {
    ComPortInterface never;  // handle 0: on POSIX that would be standard input
    EXPECT_EQ(never.WriteData(""), -1);
    EXPECT_EQ(InitializeTitler(never), -1);
    EXPECT_EQ(SendTimestampToTitler(never, 987), -1);
    EXPECT_EQ(never.mPortHandle, 0);
}

TEST(ComPortInterfaceTest, AMissingDeviceIsReportedWithCodeTwoAndLeavesTheInvalidHandle) {
    for (const char* name : {"COM0", "COM-1", "COM999999"}) {
        testsupport::ClearRecordedBoxes();
        ComPortInterface port;
        EXPECT_EQ(port.ClosePort(), 0) << name;  // never opened
        EXPECT_EQ(port.InitializePort(name), -1) << name;
        EXPECT_EQ(port.mPortHandle, platform::kInvalidSerialHandle) << name;
        EXPECT_EQ(port.ClosePort(), 0) << name;
        EXPECT_EQ(port.WriteData("x"), -1) << name;

        const auto boxes = testsupport::RecordedBoxes();
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(boxes[0].text, std::string("Coult not initialize ") + name + ". ERROR: 2");
        EXPECT_EQ(boxes[0].caption, "COM Initialization Error");
        EXPECT_EQ(boxes[0].icon, 16u);
        EXPECT_EQ(boxes[0].owner, nullptr);
    }
}
