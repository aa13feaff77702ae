// quorvex-sim on its own ports, 26200 and 26100, as the client expects it.
#include <gtest/gtest.h>

#include <sstream>

#include "channel/NetworkNodeClient.h"
#include "platform/Process.h"
#include "tests/support/SimServer.h"

TEST(SimFixedPortsTest, ListensOnThePortQueryAndCommandPortsByDefault) {
    platform::ChildProcess sim;
    ASSERT_TRUE(sim.Start(testsupport::SimServer::ProgramPath(), {"--lifetime", "600"}));
    std::string line;
    ASSERT_TRUE(sim.ReadLine(line, 30000));
    EXPECT_EQ(line, "quorvex-sim query-port 26200 command-port 26100");
    for (int port : {26200, 26100}) {
        NetworkNodeClient client;
        ASSERT_TRUE(client.InitializeClient("localhost", port)) << port;
        EXPECT_EQ(client.GetServerApplicationName(), "Quorvex Simulator");
    }
    sim.Kill();
    sim.Wait();
}
