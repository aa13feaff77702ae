// The name "-SetComputerName " carries, whatever the system's query did.
#include <gtest/gtest.h>

#include <cstring>

#include "client/ComputerNameCommand.h"

using computername::SetComputerNameCommand;

TEST(ComputerNameCommandTest, AFailedOrRunawayQueryNeverSendsWhatItLeftBehind) {
    // Fails after scribbling over the whole buffer, terminator included.
    const auto failsLeavingJunk = [](char* buffer, int size) {
        std::memset(buffer, 'x', static_cast<size_t>(size));
        return false;
    };
    EXPECT_EQ(SetComputerNameCommand(failsLeavingJunk), "-SetComputerName ");

    // Succeeds without terminating a name that fills the buffer.
    const auto fillsUnterminated = [](char* buffer, int size) {
        std::memset(buffer, 'n', static_cast<size_t>(size));
        return true;
    };
    EXPECT_EQ(SetComputerNameCommand(fillsUnterminated), "-SetComputerName " + std::string(127, 'n'));

    const auto names = [](char* buffer, int size) {
        std::strncpy(buffer, "RIG-7", static_cast<size_t>(size));
        return true;
    };
    EXPECT_EQ(SetComputerNameCommand(names), "-SetComputerName RIG-7");
}
