// ComPortInterface on a real line: a COM number that run-on-virtual-titler.sh
// has mapped to virtual-titler's pseudo-terminal (natively through our
// dosdevices folder, under wine through the prefix's), after it set
// RTS/CTS flow control and an XON character of 0x01 on the line.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/Serial.h"
#include "tests/support/MessageBoxes.h"
#include "titler/ComPortInterface.h"
#include "titler/TitlerCommands.h"

namespace {

class TitlerLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("ORB_TITLER_PORT");
        if (port == nullptr) {
            GTEST_SKIP() << "needs a port on virtual-titler: run through run-on-virtual-titler.sh";
        }
        mName = port;
        testsupport::ClearRecordedBoxes();
    }
    void TearDown() override {
        EXPECT_TRUE(testsupport::RecordedBoxes().empty()) << testsupport::RecordedBoxes()[0].text;
    }

    std::string mName;
};

}  // namespace

TEST_F(TitlerLineTest, SetsNinetySixHundredEightNoneTwoAndLeavesEveryOtherSettingAlone) {
    platform::SerialState before;
    const platform::SerialHandle look = platform::OpenSerialPort(mName.c_str());
    ASSERT_NE(look, platform::kInvalidSerialHandle) << platform::LastSerialError();
    ASSERT_TRUE(platform::GetSerialState(look, before));
    ASSERT_TRUE(platform::CloseSerialPort(look));
    ASSERT_TRUE(before.rtsCtsFlow && before.xonChar == 0x01) << "the fixture's unusual settings are missing";

    ComPortInterface port;
    ASSERT_EQ(port.InitializePort(mName.c_str()), 0);
    platform::SerialState after;
    ASSERT_TRUE(platform::GetSerialState(port.mPortHandle, after));
    EXPECT_EQ(after.baudRate, 9600u);
    EXPECT_EQ(after.byteSize, 8);
    EXPECT_EQ(after.parity, platform::Parity::None);
    EXPECT_EQ(after.stopBits, platform::StopBits::Two);
    EXPECT_TRUE(after.rtsCtsFlow);
    EXPECT_EQ(after.xonChar, 0x01);
    EXPECT_EQ(after.xoffChar, before.xoffChar);
    EXPECT_EQ(after.xonXoffOutput, before.xonXoffOutput);
    EXPECT_EQ(after.xonXoffInput, before.xonXoffInput);
    EXPECT_TRUE(platform::SameSettingsBesideTheLine(before, after));
    EXPECT_EQ(port.ClosePort(), 1);
}

TEST_F(TitlerLineTest, ClosePortClosesOnceAndThePortOpensAgain) {
    ComPortInterface port;
    EXPECT_EQ(port.ClosePort(), 0);
    ASSERT_EQ(port.InitializePort(mName.c_str()), 0);
    EXPECT_NE(port.mPortHandle, 0);
    EXPECT_NE(port.mPortHandle, platform::kInvalidSerialHandle);
    EXPECT_EQ(port.ClosePort(), 1);
    EXPECT_EQ(port.mPortHandle, platform::kInvalidSerialHandle);
    EXPECT_EQ(port.ClosePort(), 0);
    // Nothing of the first open (a lock, an exclusive flag) outlives its close.
    ASSERT_EQ(port.InitializePort(mName.c_str()), 0);
    EXPECT_EQ(port.ClosePort(), 1);
}

// The fixture compares what virtual-titler decoded with
// TitlerLineTest.expected: these commands and nothing after them.
TEST_F(TitlerLineTest, WritesTheCommandsAndNothingOnceClosed) {
    ComPortInterface port;
    ASSERT_EQ(port.InitializePort(mName.c_str()), 0);
    EXPECT_EQ(InitializeTitler(port), 0);
    for (std::int64_t timestamp : {std::int64_t{0}, std::int64_t{987}, std::int64_t{-42},
                                   std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
        EXPECT_EQ(SendTimestampToTitler(port, timestamp), 0) << timestamp;
    }
    EXPECT_EQ(port.ClosePort(), 1);
    // A closed port: the first init write fails and no second one is tried.
    EXPECT_EQ(InitializeTitler(port), -1);
    EXPECT_EQ(SendTimestampToTitler(port, 5), -1);
}
