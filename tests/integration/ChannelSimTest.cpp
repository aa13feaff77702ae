// NetworkNodeClient against quorvex-sim, both as a user would run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "channel/NetworkNodeClient.h"
#include "platform/Process.h"
#include "platform/Sockets.h"
#include "tests/support/LogLines.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/SimServer.h"

using testsupport::SimServer;

namespace {

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

std::string Exchange(NetworkNodeClient& client, const std::string& command) {
    std::string reply = "nothing";
    if (!client.SendMessage(command)) return "not sent";
    client.RecieveMessage(reply);
    return reply;
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

const std::vector<std::string> kFailedAttemptStart = {
    "NOTICE NetworkNodeClient::InitializeClient() - Attempting to create Client Socket",
    "NOTICE NetworkNodeClient::InitializeClient() - Client Socket created successfully",
    "NOTICE NetworkNodeClient::InitializeClient() - Attempting to request information about our connection.",
};

TEST(ChannelSimTest, ConnectsIdentifiesExchangesAndRefusesASecondConnection) {
    SimServer sim;
    ASSERT_TRUE(sim.Started());
    const std::string log = testsupport::TempLogPath(TestName());
    NetworkNodeClient client;
    ASSERT_TRUE(client.OpenLogFile(log));
    EXPECT_EQ(client.GetServerName(), "Not Connected");

    ASSERT_TRUE(client.InitializeClient("localhost", sim.CommandPort()));
    EXPECT_EQ(client.GetServerName(), "localhost");
    EXPECT_EQ(client.GetServerIPAddress(), "127.0.0.1");
    EXPECT_EQ(client.GetServerApplicationName(), "Quorvex Simulator");

    const std::string reply = Exchange(client, "-GetTimestamp");
    ASSERT_TRUE(reply.starts_with("0 ")) << reply;
    EXPECT_GT(std::strtoll(reply.c_str() + 2, nullptr, 10), 1577836800000000LL);  // after 2020: Unix microseconds

    EXPECT_FALSE(client.InitializeClient("localhost", 26100));
    const auto entries = testsupport::ReadLogEntries(log);
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2],
              "NOTICE NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client connection.  "
              "serverName: localhost, portNumber: 26100");
    EXPECT_EQ(entries.back(),
              "WARNING NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client that has "
              "already been initialized, unable to re-initialize");
    EXPECT_EQ(Exchange(client, "-RequestSamplingFrequency CSC1"), "0 32000");  // the first connection still answers

    EXPECT_TRUE(client.ShutdownClient());
    EXPECT_EQ(client.GetServerName(), "Not Connected");
    EXPECT_EQ(client.GetServerIPAddress(), "Not Connected");
    EXPECT_EQ(client.GetServerApplicationName(), "Quorvex Simulator");
    EXPECT_EQ(sim.NextCommands(3), (std::vector<std::string>{"-RequestApplicationName", "-GetTimestamp",
                                                             "-RequestSamplingFrequency CSC1"}));
}

TEST(ChannelSimTest, APortQueryHandsOutACommandPortAndClientsAreServedAtOnce) {
    SimServer sim({"--name", "Solo"});
    ASSERT_TRUE(sim.Started());
    NetworkNodeClient first, second;
    ASSERT_TRUE(first.InitializeClient("localhost", sim.QueryPort()));
    const std::string reply = Exchange(first, "-GetNextAvailablePortNumber");
    ASSERT_TRUE(reply.starts_with("0 ")) << reply;
    ASSERT_TRUE(first.ShutdownClient());
    ASSERT_TRUE(first.InitializeClient("localhost", std::atoi(reply.c_str() + 2)));
    ASSERT_TRUE(second.InitializeClient("localhost", sim.CommandPort()));
    EXPECT_EQ(first.GetServerApplicationName(), "Solo");  // no blank in the name: taken whole after the status
    EXPECT_EQ(Exchange(second, "-RequestQuorvexObjects"), "0 SE1 SE2 ST1 TT1 CSC1 CSC2 Events VT1");
    EXPECT_EQ(Exchange(first, "-RequestADRange SE1"), "0 -32768 32767");
    EXPECT_EQ(Exchange(second, "-RequestQuorvexTypes"),
              "0 SEScAcqEnt SEScAcqEnt STScAcqEnt TTScAcqEnt CscAcqEnt CscAcqEnt EventAcqEnt VTAcqEnt");
}

TEST(ChannelSimTest, AnIdentificationWithoutABlankIsTakenWhole) {
    SimServer sim({"--reply", "-RequestApplicationName=Bare"});
    ASSERT_TRUE(sim.Started());
    NetworkNodeClient client;
    ASSERT_TRUE(client.InitializeClient("localhost", sim.CommandPort()));
    EXPECT_EQ(client.GetServerApplicationName(), "Bare");
}

// Each fault the simulator offers, as the client sees it.
TEST(ChannelSimTest, TheSimulatorsFaultsReachTheClient) {
    const struct {
        std::vector<std::string> options;
        std::string reply;     // what RecieveMessage leaves
        const char* box;       // a header box, if any
        const char* logEntry;  // a log entry, if any
        bool stillConnected;
    } cases[] = {
        {{"--fault", "segments=2@-GetTimestamp"}, "", nullptr, nullptr, true},
        {{"--fault", "timestamp-status=1"}, "1 0", nullptr, nullptr, true},
        {{"--reply-hex", "-GetTimestamp=3020310032"}, "0 1", nullptr, nullptr, true},
        {{"--fault", "version=3@-GetTimestamp"},
         "-1",
         "Error, this Version of Tamberlow Network Communication is not Supported, please update to the latest "
         "version of the software.  Version #3",
         nullptr,
         false},
        {{"--fault", "validation=0x5A5A5A5A@-GetTimestamp"},
         "-1",
         "Error, invalid validation code, data has been corrupted or improperly formatted",
         nullptr,
         false},
        {{"--fault", "size=0@-GetTimestamp"},
         "-1",
         nullptr,
         "ERROR NetworkNodeClient::RecieveMessage() - Invalid message size for recieving message, messageSize: 0",
         false},
        {{"--fault", "cut@-GetTimestamp"},
         "-1",
         nullptr,
         "NOTICE NetworkNodeClient::GetBuffer() - Attempting to recieve data has failed, socket has been closed "
         "gracefully",
         false},
        {{"--fault", "close-at=2"},
         "-1",
         nullptr,
         "NOTICE NetworkNodeClient::GetBuffer() - Attempting to recieve data has failed, socket has been closed "
         "gracefully",
         false},
    };
    int index = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.options[1]);
        testsupport::ClearRecordedBoxes();
        SimServer sim(k.options);
        ASSERT_TRUE(sim.Started());
        const std::string log = testsupport::TempLogPath(TestName() + std::to_string(index++));
        NetworkNodeClient client;
        client.OpenLogFile(log);
        ASSERT_TRUE(client.InitializeClient("localhost", sim.CommandPort()));
        const std::string reply = Exchange(client, "-GetTimestamp");
        if (k.reply.empty()) {
            EXPECT_TRUE(reply.starts_with("0 ")) << reply;
        } else {
            EXPECT_EQ(reply, k.reply);
        }
        const auto boxes = testsupport::RecordedBoxes();
        EXPECT_EQ(boxes.size(), k.box ? 1u : 0u);
        if (k.box && !boxes.empty()) {
            EXPECT_EQ(boxes[0].text, k.box);
        }
        if (k.logEntry) {
            const auto entries = testsupport::ReadLogEntries(log);
            EXPECT_NE(std::find(entries.begin(), entries.end(), k.logEntry), entries.end());
        }
        EXPECT_EQ(client.SendMessage("-GetTimestamp"), k.stillConnected);
    }
}

TEST(ChannelSimTest, AnUnknownHostAndAClosedPortWriteTheirTableLineAndTheirOwnError) {
    const std::string log = testsupport::TempLogPath(TestName());
    NetworkNodeClient client;
    ASSERT_TRUE(client.OpenLogFile(log));
    const int closed = ClosedPort();

    EXPECT_FALSE(client.InitializeClient("no-such-host.invalid", 26100));
    std::vector<std::string> expected = {
        "NOTICE NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client connection.  "
        "serverName: no-such-host.invalid, portNumber: 26100"};
    expected.insert(expected.end(), kFailedAttemptStart.begin(), kFailedAttemptStart.end());
    expected.push_back(
        "ERROR NetworkNodeClient::GetServerInfo() - Error Getting Server Name, error code: WSAHOST_NOT_FOUND - "
        "Authoritative answer host not found.");
    expected.push_back("ERROR NetworkNodeClient::InitializeClient() - Failure: Unable to initialize message client");
    EXPECT_EQ(testsupport::ReadLogEntries(log), expected);

    EXPECT_FALSE(client.InitializeClient("localhost", closed));
    const std::vector<std::string> tail = {
        "NOTICE NetworkNodeClient::InitializeClient() - Request for information was successful.",
        "NOTICE NetworkNodeClient::InitializeClient() - Attempting to establish a connection to our server.",
        "ERROR NetworkNodeClient::ConnectToServer() - Error Connecting To Server, error code: WSAECONNREFUSED - The "
        "attempt to connect was forcefully rejected.",
        "ERROR NetworkNodeClient::InitializeClient() - Failure: Unable to initialize message client",
    };
    const auto entries = testsupport::ReadLogEntries(log);
    ASSERT_EQ(entries.size(), expected.size() + 4 + tail.size());
    EXPECT_EQ(entries[expected.size()],
              "NOTICE NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client connection.  "
              "serverName: localhost, portNumber: " + std::to_string(closed));
    EXPECT_EQ(std::vector<std::string>(entries.end() - 4, entries.end()), tail);
    EXPECT_EQ(client.GetServerName(), "Not Connected");
}

TEST(ChannelSimTest, TheSimulatorSaysHowToUseIt) {
    platform::ChildProcess help;
    ASSERT_TRUE(help.Start(SimServer::ProgramPath(), {"--help"}));
    std::string line, all;
    while (help.ReadLine(line, 20000)) all += line + "\n";
    EXPECT_EQ(help.Wait(), 0);
    for (const char* word : {"--query-port", "--command-port", "--bind", "--objects", "--reply", "--reply-hex",
                             "--fault", "--log", "--clock", "cut", "segments", "close-at", "timestamp-status"}) {
        EXPECT_NE(all.find(word), std::string::npos) << word;
    }
    platform::ChildProcess wrong;
    ASSERT_TRUE(wrong.Start(SimServer::ProgramPath(), {"--fault", "nonsense"}));
    EXPECT_EQ(wrong.Wait(), 2);
}

}  // namespace
