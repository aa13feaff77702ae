// What a user of the client and of titling meets when the server fails: the
// real quorvex-sim killed or put into one of its fault modes. Each scenario
// checks what the user sees (the result, the box), what the client's log
// says, and that the next Connect or Start works against a fresh server.
//
// This program replaces the global operator new, to show that a reply
// announcing a gigabyte costs no gigabyte, and runs under run-with-titler.sh
// for the titling scenarios.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <kovane/KovaneClient.h>

#include "platform/MessageBox.h"
#include "platform/Sockets.h"
#include "tests/app/TitlingRig.h"
#include "tests/support/LogLines.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/ReplacedNew.h"
#include "tests/support/SimServer.h"

namespace {
// The largest block asked for while a scenario watches.
std::atomic<bool> gWatching{false};
std::atomic<std::size_t> gLargest{0};
}  // namespace

void OnTestAllocation(std::size_t size) {
    if (gWatching) {
        std::size_t seen = gLargest;
        while (size > seen && !gLargest.compare_exchange_weak(seen, size)) {
        }
    }
}

using testsupport::Eventually;
using testsupport::SimServer;
using testsupport::TitlerLog;
using testsupport::TitlingRig;
using Lines = std::vector<std::string>;

namespace {

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Short enough that a scenario with a server that never answers ends soon,
// long enough for every answer a slow sanitizer build gives.
constexpr int kTestCommandTimeout = 2000;

const std::string kTimedOut =
    "ERROR NetworkNodeClient::ProcessRecieveError() - Error recieving data, error code: WSAETIMEDOUT - The connection "
    "has been dropped, because of a network failure or because the system on the other end went down without notice.";
const std::string kClosedGracefully =
    "NOTICE NetworkNodeClient::GetBuffer() - Attempting to recieve data has failed, socket has been closed gracefully";
const std::string kReset =
    "ERROR NetworkNodeClient::ProcessRecieveError() - Error recieving data, error code: WSAECONNRESET - The virtual "
    "circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the remote host was "
    "unable to deliver a previously sent UDP datagram and responded with a 'Port Unreachable' ICMP packet. The "
    "application should close the socket as it is no longer usable.";
const std::string kSendFailedStart =
    "ERROR NetworkNodeClient::SendMessage() - Unable to send data, call to send() failed, we must have lost our "
    "socket.";
const std::string kSetUpFailed =
    "ERROR NetworkNodeClient::InitializeConnectionNodes() - call to get next port number failed, unable to initialize "
    "server streams.";

const std::string kQuorvexCaption = "Quorvex Connection Error";
const std::string kNotConnected =
    "Could not connect to Quorvex.  Make sure Quorvex is running and that Orbilane is on the same PC as Quorvex";
const std::string kConnectionLost =
    "Lost the connection to Quorvex.  Titling has been stopped.  Make sure Quorvex is running and press Start to "
    "begin titling again.";

constexpr StreamKind kKinds[] = {StreamKind::SE, StreamKind::ST, StreamKind::TT,
                                 StreamKind::CSC, StreamKind::EV, StreamKind::VT};
// The stream servers' names for themselves, in the order of kKinds.
const char* const kStreamTypes[] = {"SingleElectrode", "Stereotrode", "Tetrode", "CSC", "Event", "Video"};

bool Has(const Lines& log, const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); }

bool HasStarting(const Lines& log, const std::string& start) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(start); });
}

// How a lost command connection shows in the log: the server's end closed in
// order, reset, or gone under a send.
bool LogsLostConnection(const Lines& log) {
    return Has(log, kClosedGracefully) || Has(log, kReset) || HasStarting(log, kSendFailedStart);
}

// A port that nothing listens on: the system handed it out a moment ago.
int ClosedPort() {
    platform::SocketStartup(0x0101);
    const platform::Socket s = platform::CreateTcpSocket();
    platform::Bind(s, {127, 0, 0, 1}, 0);
    const int port = platform::LocalPort(s);
    platform::CloseSocket(s);
    return port;
}

// A fresh server where the failed one was: its port-query port is the one the
// client was made for. Only the client's own connections ended on it, so it
// is free again as soon as the old server has gone.
std::vector<std::string> SamePorts(int queryPort) { return {"--query-port", std::to_string(queryPort)}; }

// Records delivered to the SE and CSC callbacks, by kind index.
std::atomic<std::uint64_t> gSeen[6];
void CountSE(void*, const unsigned char*, int, std::string) { ++gSeen[0]; }
void CountCSC(void*, const unsigned char*, int, std::string) { ++gSeen[3]; }
int gContext;

// A client as a library user has one: its log open, the two ports moved to
// the server's.
struct LibraryUser {
    LibraryUser(int queryPort, int commandPort) : client(queryPort, commandPort) {
        log = testsupport::TempLogPath(TestName());
        EXPECT_TRUE(client.OpenLogFile(log));
    }
    Lines Log() const { return testsupport::ReadLogEntries(log); }
    // Connected, both lists read and the objects opened.
    bool Stream(const std::vector<std::pair<std::string, std::string>>& objects) {
        if (!client.Connect("localhost", true)) return false;
        std::vector<std::string> names, types;
        if (!client.GetObjectsAndTypes(names, types)) return false;
        for (const auto& [name, type] : objects) {
            if (!client.OpenStream(name, type)) return false;
        }
        return true;
    }
    // The next Connect works: the server answers, and Disconnect ends it.
    void ExpectWorksAgain() {
        ASSERT_TRUE(client.Connect("localhost", true));
        EXPECT_TRUE(client.AreWeConnected());
        std::string reply;
        EXPECT_TRUE(client.SendCommandToServer("-GetTimestamp", reply));
        EXPECT_TRUE(reply.starts_with("0 ")) << reply;
        EXPECT_TRUE(client.Disconnect());
    }

    KovaneClient client;
    std::string log;
};

class FaultScenariosTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ClearRecordedBoxes();
        for (auto& seen : gSeen) seen = 0;
    }
};

TEST_F(FaultScenariosTest, ServerKilledDuringTheStreamSetUpFailsConnectAndStopsWhatWasStarted) {
    // The server hangs at the first "-CreateStream", so the kill lands while
    // Connect waits in the stream set-up, with SE's stream server listening.
    std::optional<SimServer> sim(std::in_place, std::vector<std::string>{"--fault", "silent@-CreateStream"});
    ASSERT_TRUE(sim->Started());
    const int queryPort = sim->QueryPort();
    LibraryUser user(queryPort, ClosedPort());
    std::atomic<int> connected{-1};
    std::thread connecting([&] { connected = user.client.Connect("localhost", true) ? 1 : 0; });
    testsupport::ReceivedCommand command;
    while (sim->NextCommand(command) && !command.text.starts_with("-CreateStream")) {
    }
    EXPECT_TRUE(command.text.starts_with("-CreateStream")) << command.text;
    sim->Kill();
    connecting.join();

    EXPECT_EQ(connected, 0);
    EXPECT_FALSE(user.client.AreWeConnected());
    const Lines log = user.Log();
    EXPECT_TRUE(LogsLostConnection(log));
    EXPECT_TRUE(Has(log, kSetUpFailed));
    for (StreamKind kind : kKinds) EXPECT_FALSE(user.client.GetStreamHealth(kind).mConnected);

    sim.reset();
    SimServer fresh(SamePorts(queryPort));
    ASSERT_TRUE(fresh.Started());
    user.ExpectWorksAgain();
}

TEST_F(FaultScenariosTest, ServerKilledWhileStreamingTakesEveryStreamDownAndTheNextExchangeFails) {
    std::optional<SimServer> sim(std::in_place, std::vector<std::string>{"--stream-rate", "2000"});
    ASSERT_TRUE(sim->Started());
    const int queryPort = sim->QueryPort();
    LibraryUser user(queryPort, ClosedPort());
    user.client.SetCallbackFunctionSE(&CountSE, &gContext);
    ASSERT_TRUE(user.Stream({{"SE1", "SEScAcqEnt"}}));
    ASSERT_TRUE(Eventually([] { return gSeen[0] >= 50; }));

    sim->Kill();
    // Every stream's connection is seen to end, not only the one with records.
    for (StreamKind kind : kKinds) {
        EXPECT_TRUE(Eventually([&] { return !user.client.GetStreamHealth(kind).mConnected; }));
    }
    std::string reply = "untouched";
    EXPECT_FALSE(user.client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(reply, "untouched");
    EXPECT_FALSE(user.client.AreWeConnected());
    const Lines log = user.Log();
    EXPECT_TRUE(LogsLostConnection(log));
    for (const char* type : kStreamTypes) {
        // Each stream server's line names its stream: closed in order or reset.
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
            return (l.starts_with("NOTICE NodeConnectionClient::RecieveData() - Attempt to recieve data has failed, "
                                  "socket has been closed gracefully.") ||
                    l.starts_with("ERROR NodeConnectionClient::ProcessRecieveError() - Error recieving data, error "
                                  "code: WSAECONNRESET")) &&
                   l.ends_with(std::string("mStreamType: ") + type);
        })) << type;
    }

    // The same client streams again from a fresh server.
    user.client.Disconnect();
    sim.reset();
    SimServer fresh(std::vector<std::string>{"--query-port", std::to_string(queryPort), "--stream-rate", "2000"});
    ASSERT_TRUE(fresh.Started());
    const std::uint64_t before = gSeen[0];
    ASSERT_TRUE(user.Stream({{"SE1", "SEScAcqEnt"}}));
    EXPECT_TRUE(Eventually([&] { return gSeen[0] >= before + 50; }));
    EXPECT_TRUE(user.client.GetStreamHealth(StreamKind::SE).mConnected);
    EXPECT_TRUE(user.client.Disconnect());
}

TEST_F(FaultScenariosTest, AStreamResetMidRecordDeliversNoPartOfItAndTheOtherStreamsGoOn) {
    constexpr std::uint64_t kBeforeReset = 100;
    SimServer sim({"--stream-rate", "2000", "--fault", "stream-reset=" + std::to_string(kBeforeReset) + "@SE"});
    ASSERT_TRUE(sim.Started());
    LibraryUser user(sim.QueryPort(), sim.CommandPort());
    user.client.SetCallbackFunctionSE(&CountSE, &gContext);
    user.client.SetCallbackFunctionCSC(&CountCSC, &gContext);
    ASSERT_TRUE(user.Stream({{"SE1", "SEScAcqEnt"}, {"CSC1", "CscAcqEnt"}}));

    ASSERT_TRUE(Eventually([&] { return gSeen[0] == kBeforeReset && !user.client.GetStreamHealth(StreamKind::SE).mConnected; }));
    const StreamHealth se = user.client.GetStreamHealth(StreamKind::SE);
    EXPECT_EQ(se.mRecordsDelivered, kBeforeReset);
    // Of the half record, whatever arrived before the reset stayed undelivered.
    EXPECT_GE(se.mBytesReceived, kBeforeReset * 112);
    EXPECT_LT(se.mBytesReceived, (kBeforeReset + 1) * 112);
    const Lines log = user.Log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.starts_with("ERROR NodeConnectionClient::ProcessRecieveError() - Error recieving data, error code: "
                             "WSAECONNRESET") &&
               l.ends_with("mStreamType: SingleElectrode");
    }));

    // CSC goes on, and so do the requests.
    const std::uint64_t csc = gSeen[3];
    EXPECT_TRUE(Eventually([&] { return gSeen[3] >= csc + 50; }));
    EXPECT_TRUE(user.client.GetStreamHealth(StreamKind::CSC).mConnected);
    std::string reply;
    EXPECT_TRUE(user.client.SendCommandToServer("-GetTimestamp", reply));
    EXPECT_EQ(gSeen[0], kBeforeReset);

    // Connecting again brings SE back (and the server resets it again).
    EXPECT_TRUE(user.client.Disconnect());
    ASSERT_TRUE(user.Stream({{"SE1", "SEScAcqEnt"}}));
    EXPECT_TRUE(Eventually([&] { return gSeen[0] == 2 * kBeforeReset; }));
    EXPECT_TRUE(user.client.Disconnect());
    EXPECT_TRUE(testsupport::RecordedBoxes().empty());
}

struct SilentCase {
    std::string where;  // the command the server never answers; empty: none at all
    bool connects;      // what Connect returns
};

TEST_F(FaultScenariosTest, AServerThatAcceptsAndNeverAnswersFailsWithinTheCommandTimeOut) {
    const SilentCase cases[] = {
        {"", false},                             // not even the application name, on the port-query port
        {"-GetNextAvailablePortNumber", false},  // the port-query port's one request
        {"-CreateStream", false},                // the stream set-up
        {"-GetTimestamp", true},                 // connected; then a request hangs
    };
    for (const SilentCase& c : cases) {
        SCOPED_TRACE("silent@" + c.where);
        std::optional<SimServer> sim(std::in_place,
                                     std::vector<std::string>{"--fault", c.where.empty() ? "silent" : "silent@" + c.where});
        ASSERT_TRUE(sim->Started());
        const int queryPort = sim->QueryPort();
        LibraryUser user(queryPort, ClosedPort());
        user.client.SetCommandTimeout(kTestCommandTimeout);

        EXPECT_EQ(user.client.Connect("localhost", true), c.connects);
        if (c.connects) {
            std::string reply = "untouched";
            EXPECT_FALSE(user.client.SendCommandToServer("-GetTimestamp", reply));
            EXPECT_EQ(reply, "untouched");
        }
        EXPECT_FALSE(user.client.AreWeConnected());
        EXPECT_TRUE(Has(user.Log(), kTimedOut));
        EXPECT_TRUE(testsupport::RecordedBoxes().empty());

        sim.reset();
        SimServer fresh(SamePorts(queryPort));
        ASSERT_TRUE(fresh.Started());
        user.ExpectWorksAgain();
    }
}

TEST_F(FaultScenariosTest, AReplyAnnouncingAGigabyteAndNeverSentFailsWithinTheTimeOutAndAllocatesLittle) {
    for (const std::string command : {"-GetTimestamp", "-RequestRingBuffer"}) {
        SCOPED_TRACE(command);
        std::optional<SimServer> sim(std::in_place,
                                     std::vector<std::string>{"--fault", "announce=1073741824@" + command});
        ASSERT_TRUE(sim->Started());
        const int queryPort = sim->QueryPort();
        LibraryUser user(queryPort, ClosedPort());
        user.client.SetCommandTimeout(kTestCommandTimeout);
        ASSERT_TRUE(user.client.Connect("localhost", true));

        gLargest = 0;
        gWatching = true;
        bool answered;
        if (command == "-GetTimestamp") {
            std::string reply;
            answered = user.client.SendCommandToServer(command, reply);
        } else {
            unsigned char* buffer = nullptr;
            int size = 0;
            answered = user.client.SendCommandToServer(command + " SE1", buffer, size);
            KovaneClient::ReleaseReplyBuffer(buffer);
        }
        gWatching = false;
        EXPECT_FALSE(answered);
        EXPECT_LT(gLargest.load(), std::size_t{1} << 20) << "the announced size was allocated before it arrived";
        EXPECT_FALSE(user.client.AreWeConnected());
        EXPECT_TRUE(Has(user.Log(), kTimedOut));

        sim.reset();
        SimServer fresh(SamePorts(queryPort));
        ASSERT_TRUE(fresh.Started());
        user.ExpectWorksAgain();
    }
}

std::string Hex(const std::string& text) {
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

struct GarbageCase {
    std::vector<std::string> simOptions;
    std::string box;       // the text of the one box, empty: none
    std::string logStart;  // the start of a line the log holds
};

TEST_F(FaultScenariosTest, APortQueryPortThatAnswersGarbageFailsConnect) {
    const GarbageCase cases[] = {
        // Another program on the port: bytes that are no frame. "HTTP" read
        // as the version is 1347703880.
        {{"--reply-hex", "-GetNextAvailablePortNumber=" + Hex("HTTP/1.0 400 Bad Request\r\n\r\n"), "--fault",
          "raw@-GetNextAvailablePortNumber"},
         "Error, this Version of Tamberlow Network Communication is not Supported, please update to the latest version "
         "of the software.  Version #1347703880",
         "NOTICE NetworkNodeClient::ShutdownClient() - Attempt to Close Message Client Socket was successful"},
        // A frame whose text holds no number: status and port read as 0, and
        // port 0 takes no connection.
        {{"--reply", "-GetNextAvailablePortNumber=zz"}, "",
         "ERROR NetworkNodeClient::ConnectToServer() - Error Connecting To Server, error code: "},
    };
    for (const GarbageCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.simOptions));
        testsupport::ClearRecordedBoxes();
        std::optional<SimServer> sim(std::in_place, c.simOptions);
        ASSERT_TRUE(sim->Started());
        const int queryPort = sim->QueryPort();
        LibraryUser user(queryPort, sim->CommandPort());

        EXPECT_FALSE(user.client.Connect("localhost", true));
        EXPECT_FALSE(user.client.AreWeConnected());
        const auto boxes = testsupport::RecordedBoxes();
        if (c.box.empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].caption, "Kovane Client - Message Error");
        }
        EXPECT_TRUE(HasStarting(user.Log(), c.logStart));
        // The direct command port is not tried: the port-query port answered.
        testsupport::ReceivedCommand command;
        while (sim->NextCommand(command, 300)) EXPECT_NE(command.port, sim->CommandPort()) << command.text;

        sim.reset();
        SimServer fresh(SamePorts(queryPort));
        ASSERT_TRUE(fresh.Started());
        user.ExpectWorksAgain();
    }
}

TEST_F(FaultScenariosTest, AStreamPortAlreadyTakenLeavesThatStreamDownWhileConnectSucceeds) {
    // Someone else holds the port the server names for every stream.
    platform::SocketStartup(0x0101);
    const platform::Socket holder = platform::CreateTcpSocket();
    ASSERT_EQ(platform::Bind(holder, {0, 0, 0, 0}, 0), 0);
    ASSERT_EQ(platform::Listen(holder, 8), 0);
    const int taken = platform::LocalPort(holder);
    std::optional<SimServer> sim(std::in_place, std::vector<std::string>{
                                                    "--query-port", "off", "--reply",
                                                    "-GetNextAvailablePortNumber=0 " + std::to_string(taken)});
    ASSERT_TRUE(sim->Started());
    const int commandPort = sim->CommandPort();
    LibraryUser user(ClosedPort(), commandPort);

    // The set-up does not look at a stream server's start: Connect succeeds,
    // the requests work, and only the streams' health tells.
    EXPECT_TRUE(user.client.Connect("localhost", true));
    EXPECT_TRUE(user.client.AreWeConnected());
    const Lines log = user.Log();
    for (const char* type : kStreamTypes) {
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) {
            return l.starts_with("ERROR NodeConnectionClient::BindSocket() - Error Binding Socket, error code: "
                                 "WSAEADDRINUSE - ") &&
                   l.ends_with(std::string("mStreamType: ") + type);
        })) << type;
    }
    for (StreamKind kind : kKinds) EXPECT_FALSE(user.client.GetStreamHealth(kind).mConnected);
    EXPECT_TRUE(user.client.Disconnect());

    // With the port given back and a server that names free ports, the
    // streams come up.
    platform::CloseSocket(holder);
    sim.reset();
    SimServer fresh({"--query-port", "off", "--command-port", std::to_string(commandPort)});
    ASSERT_TRUE(fresh.Started());
    ASSERT_TRUE(user.client.Connect("localhost", true));
    for (StreamKind kind : kKinds) {
        EXPECT_TRUE(Eventually([&] { return user.client.GetStreamHealth(kind).mConnected; }));
    }
    EXPECT_TRUE(user.client.Disconnect());
}

// Titling, through the window's operations over a window in memory, and the
// titler on virtual-titler.
struct TitlingCase {
    std::vector<std::string> simOptions;
    bool kill;             // the server is killed once titling runs
    std::string box;       // the one box
    bool titles;           // Start got titling going before the failure
    std::string logLine;   // a line the log holds; empty: a lost connection's
};

TEST_F(FaultScenariosTest, TitlingStopsWithItsBoxAndStartWorksAgainAgainstAFreshServer) {
    if (!TitlerLog::Available()) GTEST_SKIP() << "needs a port on virtual-titler: run through run-with-titler.sh";
    const TitlingCase cases[] = {
        {{}, true, kConnectionLost, true, ""},
        {{"--fault", "silent@-GetTimestamp"}, false, kConnectionLost, true, kTimedOut},
        {{"--fault", "announce=1073741824@-GetTimestamp"}, false, kConnectionLost, true, kTimedOut},
        {{"--fault", "silent"}, false, kNotConnected, false, kTimedOut},
    };
    for (const TitlingCase& c : cases) {
        const std::string label = ::testing::PrintToString(c.simOptions) + (c.kill ? " killed" : "");
        SCOPED_TRACE(label);
        testsupport::ClearRecordedBoxes();
        std::optional<SimServer> sim(std::in_place, c.simOptions);
        ASSERT_TRUE(sim->Started());
        const int queryPort = sim->QueryPort();
        TitlingRig rig(queryPort, ClosedPort());
        const std::string log = testsupport::TempLogPath(TestName());
        ASSERT_TRUE(rig.mDlg.mClient.OpenLogFile(log));
        rig.mDlg.mClient.SetCommandTimeout(kTestCommandTimeout);
        TitlerLog titler;

        rig.mDlg.OnStart();
        if (c.titles) {
            ASSERT_TRUE(titler.WaitFor([](const auto& commands) { return !commands.empty(); }));
        }
        if (c.kill) {
            ASSERT_TRUE(titler.WaitFor([](const auto& commands) { return commands.size() >= 3; }));
            sim->Kill();
        }
        ASSERT_TRUE(Eventually([&] { return rig.StoppedOnTheWorker(); }));
        rig.ExpectIdle();
        const auto boxes = testsupport::RecordedBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, kQuorvexCaption);
        const Lines entries = testsupport::ReadLogEntries(log);
        EXPECT_TRUE(c.logLine.empty() ? LogsLostConnection(entries) : Has(entries, c.logLine));

        sim.reset();
        SimServer fresh(SamePorts(queryPort));
        ASSERT_TRUE(fresh.Started());
        TitlerLog again;
        rig.mDlg.OnStart();
        rig.ExpectTitling();
        EXPECT_TRUE(again.WaitFor([](const auto& commands) { return commands.size() >= 3; }));
        rig.mDlg.OnStop();
        rig.ExpectIdle();
        EXPECT_EQ(testsupport::RecordedBoxes().size(), 1u);
    }
}

}  // namespace
