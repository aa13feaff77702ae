// KovaneClient against quorvex-sim on ports the system hands out: the order of
// the connection's exchanges, its fall-back and failures, and the command
// exchange once the server has gone.
#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

#include "platform/ComputerName.h"
#include "platform/Sockets.h"
#include "tests/support/SimServer.h"

using testsupport::ReceivedCommand;
using testsupport::SimServer;

namespace {

std::string ComputerNameCommand() {
    char name[128] = {};
    platform::QueryComputerName(name, sizeof name);
    return std::string("-SetComputerName ") + name;
}

// A port that nothing listens on: the system handed it out a moment ago.
int ClosedPort() {
    platform::SocketStartup(0x0101);
    platform::Socket s = platform::CreateTcpSocket();
    platform::Bind(s, {127, 0, 0, 1}, 0);
    const int port = platform::LocalPort(s);
    platform::CloseSocket(s);
    return port;
}

ReceivedCommand Next(SimServer& sim) {
    ReceivedCommand command;
    if (!sim.NextCommand(command)) command.text = "(nothing came)";
    return command;
}

// The exchanges of connecting on port, up to the announced name; stream
// set-up, when the channel makes it, lies between the two.
void ExpectConnectionOn(SimServer& sim, int port) {
    ReceivedCommand first = Next(sim);
    EXPECT_EQ(first.text, "-RequestApplicationName");
    EXPECT_EQ(first.port, port);
    ReceivedCommand command = Next(sim);
    while (command.text != ComputerNameCommand() && command.text != "(nothing came)") command = Next(sim);
    EXPECT_EQ(command.text, ComputerNameCommand());
    EXPECT_EQ(command.connection, first.connection);
}

}  // namespace

TEST(KovaneClientTest, ConnectsOnTheQueriedPortAndAnnouncesTheComputerName) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", true));

    ReceivedCommand command = Next(sim);
    EXPECT_EQ(command.text, "-RequestApplicationName");
    EXPECT_EQ(command.port, sim.QueryPort());
    command = Next(sim);
    EXPECT_EQ(command.text, "-GetNextAvailablePortNumber");
    EXPECT_EQ(command.port, sim.QueryPort());

    // The port handed out is neither of the two fixed ones.
    command = Next(sim);
    EXPECT_EQ(command.text, "-RequestApplicationName");
    EXPECT_NE(command.port, sim.QueryPort());
    EXPECT_NE(command.port, sim.CommandPort());
    const int commandPort = command.port;
    while (command.text != ComputerNameCommand() && command.text != "(nothing came)") command = Next(sim);
    EXPECT_EQ(command.text, ComputerNameCommand());
    EXPECT_EQ(command.port, commandPort);

    // Each check is the announcement once more.
    EXPECT_TRUE(client.AreWeConnected());
    EXPECT_TRUE(client.AreWeConnected());
    EXPECT_EQ(sim.NextCommands(2), std::vector<std::string>(2, ComputerNameCommand()));

    std::string reply;
    ASSERT_TRUE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_TRUE(reply.starts_with("0 ")) << reply;
    EXPECT_EQ(Next(sim).text, "-GetTimestamp");
}

TEST(KovaneClientTest, UnreachablePortQueryPortFallsBackToTheDirectPort) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(ClosedPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", true));
    ExpectConnectionOn(sim, sim.CommandPort());
    EXPECT_TRUE(client.AreWeConnected());
}

TEST(KovaneClientTest, WithoutNextAvailablePortOnlyTheDirectPortIsTried) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", false));
    ExpectConnectionOn(sim, sim.CommandPort());
}

// A port-query reply that names no usable port ends the attempt: the query
// connection is closed, the direct port is not tried, nothing stays up.
TEST(KovaneClientTest, APortQueryReplyWithoutAUsablePortLeavesNothingConnected) {
    for (const std::string reply : {"1 0", "", "ready 4000", "-1"}) {
        SCOPED_TRACE("reply \"" + reply + "\"");
        SimServer sim({"--reply", "-GetNextAvailablePortNumber=" + reply});
        ASSERT_TRUE(sim.Started());
        KovaneClient client(sim.QueryPort(), sim.CommandPort());
        EXPECT_FALSE(client.Connect("localhost", true));
        EXPECT_FALSE(client.AreWeConnected());
        EXPECT_FALSE(client.Disconnect());
        EXPECT_EQ(sim.NextCommands(2),
                  (std::vector<std::string>{"-RequestApplicationName", "-GetNextAvailablePortNumber"}));

        // The next thing the server sees is a new client's connection.
        KovaneClient other(ClosedPort(), sim.CommandPort());
        ASSERT_TRUE(other.Connect("localhost", true));
        ExpectConnectionOn(sim, sim.CommandPort());
    }
}

TEST(KovaneClientTest, ServerNotRunningFailsOnBothPorts) {
    KovaneClient client(ClosedPort(), ClosedPort());
    EXPECT_FALSE(client.Connect("localhost", true));
    EXPECT_FALSE(client.AreWeConnected());
    EXPECT_FALSE(client.Disconnect());
}

TEST(KovaneClientTest, ASecondConnectIsRefusedAndTheFirstConnectionStillAnswers) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", false));
    EXPECT_FALSE(client.Connect("localhost", true));
    EXPECT_FALSE(client.Connect("localhost", false));
    std::string reply;
    EXPECT_TRUE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_TRUE(reply.starts_with("0 ")) << reply;
}

TEST(KovaneClientTest, BeforeConnectNothingIsSent) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    EXPECT_FALSE(client.AreWeConnected());
    EXPECT_FALSE(client.SetComputerName());
    std::string reply = "untouched";
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "untouched");
    EXPECT_FALSE(client.Disconnect());

    // The first command the server ever sees is the connection's own.
    ASSERT_TRUE(client.Connect("localhost", false));
    ExpectConnectionOn(sim, sim.CommandPort());
}

TEST(KovaneClientTest, ACommandAfterTheServerClosedFailsAndLeavesTheReply) {
    SimServer sim({"--fault", "close-at=1@-GetTimestamp"});
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", false));
    std::string reply = "last reply";
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "last reply");
    // The channel has shut itself down: the next ones fail at once.
    EXPECT_FALSE(client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "last reply");
    EXPECT_FALSE(client.AreWeConnected());
    EXPECT_FALSE(client.Disconnect());
    // And a new Connect brings it back.
    EXPECT_TRUE(client.Connect("localhost", false));
    EXPECT_TRUE(client.AreWeConnected());
}

TEST(KovaneClientTest, DisconnectTwiceAndConnectAgain) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", true));
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.Disconnect());
    EXPECT_FALSE(client.AreWeConnected());
    ASSERT_TRUE(client.Connect("localhost", true));
    EXPECT_TRUE(client.AreWeConnected());
}
