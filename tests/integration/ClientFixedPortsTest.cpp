// KovaneClient as the product builds it, on the fixed ports 26200 and 26100,
// against quorvex-sim on its own default ports.
#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

#include "tests/support/SimServer.h"

TEST(ClientFixedPortsTest, ConnectsThroughThePortQueryPort) {
    testsupport::SimServer sim({"--query-port", "26200", "--command-port", "26100"});
    ASSERT_TRUE(sim.Started());
    ASSERT_EQ(sim.QueryPort(), 26200);
    KovaneClient client;
    ASSERT_TRUE(client.Connect("localhost", true));
    testsupport::ReceivedCommand command;
    ASSERT_TRUE(sim.NextCommand(command));
    EXPECT_EQ(command.port, 26200);
    ASSERT_TRUE(sim.NextCommand(command));
    EXPECT_EQ(command.text, "-GetNextAvailablePortNumber");
    ASSERT_TRUE(sim.NextCommand(command));
    EXPECT_EQ(command.text, "-RequestApplicationName");
    EXPECT_NE(command.port, 26200);
    EXPECT_NE(command.port, 26100);
    EXPECT_TRUE(client.AreWeConnected());
    EXPECT_TRUE(client.Disconnect());
}

TEST(ClientFixedPortsTest, FallsBackTo26100WhenNothingListensOn26200) {
    testsupport::SimServer sim({"--query-port", "off", "--command-port", "26100"});
    ASSERT_TRUE(sim.Started());
    KovaneClient client;
    ASSERT_TRUE(client.Connect("localhost", true));
    testsupport::ReceivedCommand command;
    ASSERT_TRUE(sim.NextCommand(command));
    EXPECT_EQ(command.text, "-RequestApplicationName");
    EXPECT_EQ(command.port, 26100);
    EXPECT_TRUE(client.AreWeConnected());
}
