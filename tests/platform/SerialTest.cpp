#include <gtest/gtest.h>

#include "platform/Serial.h"

using platform::Parity;
using platform::SerialState;
using platform::StopBits;

TEST(SerialLineTimeTest, CountsStartDataParityAndStopBitsAtTheRate) {
    struct Case {
        std::uint32_t baud;
        int bits;
        Parity parity;
        StopBits stop;
        std::size_t bytes;
        std::int64_t nanoseconds;
    } cases[] = {
        {9600, 8, Parity::None, StopBits::Two, 1, 1145834},    // 11 bits: the titler's line
        {9600, 8, Parity::None, StopBits::Two, 11, 12604167},  // a timestamp command of 3 digits
        {9600, 8, Parity::None, StopBits::One, 1, 1041667},
        {300, 7, Parity::Even, StopBits::One, 3, 100000000},
        {1200, 5, Parity::None, StopBits::OnePointFive, 1, 6250000},
        {115200, 8, Parity::None, StopBits::One, 0, 0},
        {0, 8, Parity::None, StopBits::Two, 10, 0},  // no rate known: no time
    };
    for (const Case& c : cases) {
        SerialState state;
        state.baudRate = c.baud;
        state.byteSize = c.bits;
        state.parity = c.parity;
        state.stopBits = c.stop;
        EXPECT_EQ(platform::SerialLineTime(state, c.bytes).count(), c.nanoseconds)
            << c.baud << " baud, " << c.bits << " bits, " << c.bytes << " bytes";
    }
}

TEST(SerialPortTest, HandlesOfNoPortAreRefused) {
    // 0 is a standard stream on POSIX: a write there must never reach it.
    for (platform::SerialHandle h : {platform::SerialHandle{0}, platform::kInvalidSerialHandle}) {
        SerialState state;
        EXPECT_FALSE(platform::WriteSerial(h, "x", 1)) << h;
        EXPECT_FALSE(platform::WriteSerial(h, "", 0)) << h;
        EXPECT_FALSE(platform::GetSerialState(h, state)) << h;
        EXPECT_NE(platform::LastSerialError(), 0) << h;
    }
    EXPECT_FALSE(platform::CloseSerialPort(0));
}
