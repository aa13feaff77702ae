// The stream set-up of NetworkNodeClient against a scripted server.
#include <gtest/gtest.h>

#include <algorithm>

#include "channel/NetworkNodeClient.h"
#include "channel/ReplyText.h"
#include "tests/channel/NetworkNodeClientTestPeer.h"
#include "tests/support/LogLines.h"
#include "tests/support/ScriptedPeer.h"

using testsupport::ScriptedPeer;
using Peer = NetworkNodeClientTestPeer;
using Names = std::vector<std::string>;

namespace {

const char* const kKinds[] = {"SEScAcqEnt", "STScAcqEnt", "TTScAcqEnt", "CscAcqEnt", "VTAcqEnt", "EventAcqEnt"};
const char* const kPortFailed =
    "ERROR NetworkNodeClient::InitializeConnectionNodes() - call to get next port number failed, unable to "
    "initialize server streams.";

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

int FreePort() {
    const platform::Socket s = platform::CreateTcpSocket();
    platform::Bind(s, {0, 0, 0, 0}, 0);
    const int port = platform::LocalPort(s);
    platform::CloseSocket(s);
    return port;
}

// True when something listens on port.
bool Listening(int port) {
    const platform::Socket s = platform::CreateTcpSocket();
    const bool connected = platform::Connect(s, {127, 0, 0, 1}, static_cast<std::uint16_t>(port)) == 0;
    platform::CloseSocket(s);
    return connected;
}

// What the client should name as its own address in "-CreateStream".
std::string ThisComputersAddress() {
    char name[128] = {};
    platform::Ipv4Address a{};
    if (platform::GetHostName(name, sizeof name) != 0 || platform::ResolveIpv4(name, a) != 0) return "127.0.0.1";
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

// A client connected to a scripted server, its log open on a file of its own.
class StreamChannel {
public:
    StreamChannel() : mLogPath(testsupport::TempLogPath(TestName())) {
        EXPECT_TRUE(mClient.OpenLogFile(mLogPath));
        mPeer.ThenText("0 Peer");
        EXPECT_TRUE(mClient.InitializeClient("localhost", mPeer.Port()));
    }
    std::vector<std::string> Log() const { return testsupport::ReadLogEntries(mLogPath); }
    bool Logged(const std::string& entry) const {
        const auto log = Log();
        return std::find(log.begin(), log.end(), entry) != log.end();
    }
    // The commands the server received after the identification.
    Names Commands(size_t count) {
        Names texts = mPeer.Texts(count + 1);
        if (!texts.empty()) texts.erase(texts.begin());
        return texts;
    }
    // Scripts the port replies and "-CreateStream" answers of a set-up.
    void ScriptSetUp(const Names& portReplies) {
        for (const std::string& reply : portReplies) {
            mPeer.ThenText(reply);
            mPeer.ThenText("0");
        }
    }

    ScriptedPeer mPeer;
    std::string mLogPath;
    NetworkNodeClient mClient;
};

TEST(ReplyTextTest, NumbersAreReadUntilAFieldIsMissingOrNoNumber) {
    struct Case {
        const char* text;
        int read;
        std::int32_t status, port;
    };
    const Case cases[] = {
        {"0 26201", 2, 0, 26201}, {" 0\t26201\r\n", 2, 0, 26201}, {"0", 1, 0, 7}, {"-1", 1, -1, 7},
        {"1 0", 2, 1, 0},         {"0 port", 1, 0, 7},          {"", 0, 9, 7}, {"x 5", 0, 9, 7},
        {"99999999999 5", 0, 9, 7},
    };
    for (const Case& c : cases) {
        std::int32_t values[2] = {9, 7};
        EXPECT_EQ(replytext::ReadIntegers(c.text, values, 2), c.read) << c.text;
        EXPECT_EQ(values[0], c.status) << c.text;
        EXPECT_EQ(values[1], c.port) << c.text;
    }
}

TEST(ParseListTest, BlanksTabsAndCrLfSeparateAndNothingElse) {
    struct Case {
        std::string text;
        Names list;
    };
    const Case cases[] = {
        {"SE1\tSE2\r\nTT1   TT2 ", {"SE1", "SE2", "TT1", "TT2"}},
        {"  one  ", {"one"}},
        {"", {}},
        {" \t \r\n ", {}},
        {"A\rB C\nD", {"A\rB", "C\nD"}},
        {"A\r\n\r\nB", {"A", "B"}},
        {"A\r", {"A\r"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Peer::ParseList(c.text), c.list) << c.text;
}

TEST(NetworkNodeClientStreamsTest, SetUpAsksAPortStartsTheKindAndNamesItInTheServersOrder) {
    StreamChannel c;
    Names replies;
    std::vector<int> ports;
    for (int i = 0; i < 6; ++i) {
        ports.push_back(FreePort());
        replies.push_back("0 " + std::to_string(ports.back()));
    }
    c.ScriptSetUp(replies);
    EXPECT_EQ(c.mClient.InitializeConnectionNodes(), 0);
    EXPECT_TRUE(Peer::StreamsInitialized(c.mClient));

    Names expected;
    const std::string address = ThisComputersAddress();
    for (int i = 0; i < 6; ++i) {
        expected.push_back("-GetNextAvailablePortNumber");
        expected.push_back("-CreateStream " + address + " " + std::to_string(ports[i]) + " " + kKinds[i]);
    }
    EXPECT_EQ(c.Commands(12), expected);
    EXPECT_EQ(Peer::GetLocalIPAddress(c.mClient), address);

    const auto servers = Peer::StreamServers(c.mClient);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(servers[i]->GetListeningPort(), ports[i]) << kKinds[i];
        EXPECT_TRUE(servers[i]->IsReceiving()) << kKinds[i];
    }
    EXPECT_TRUE(c.mClient.ShutdownClient());
    for (int i = 0; i < 6; ++i) {
        EXPECT_FALSE(servers[i]->HoldsServerStream()) << kKinds[i];
        EXPECT_FALSE(Listening(ports[i])) << kKinds[i];
    }
}

TEST(NetworkNodeClientStreamsTest, AFailedFourthPortRequestLeavesThreeStartedUntilTheShutdownStopsThem) {
    for (const char* failure : {"-1", "1 0"}) {
        SCOPED_TRACE(failure);
        StreamChannel c;
        c.ScriptSetUp({"0 0", "0 0", "0 0"});
        c.mPeer.ThenText(failure);
        EXPECT_EQ(c.mClient.InitializeConnectionNodes(), -1);
        EXPECT_FALSE(Peer::StreamsInitialized(c.mClient));
        EXPECT_TRUE(c.Logged(kPortFailed));
        EXPECT_EQ(c.Commands(7).size(), 7u);

        const auto servers = Peer::StreamServers(c.mClient);
        std::vector<int> ports;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(servers[i]->IsReceiving(), i < 3) << kKinds[i];
            EXPECT_EQ(servers[i]->HoldsServerStream(), i < 3) << kKinds[i];
            ports.push_back(servers[i]->GetListeningPort());
        }
        // The set-up never completed, yet nothing it started outlives the shutdown.
        EXPECT_TRUE(c.mClient.ShutdownClient());
        for (int i = 0; i < 3; ++i) {
            EXPECT_FALSE(servers[i]->HoldsServerStream()) << kKinds[i];
            EXPECT_FALSE(Listening(ports[i])) << kKinds[i];
        }
    }
}

TEST(NetworkNodeClientStreamsTest, APortMissingFromTheReplyIsTheOneBefore) {
    StreamChannel c;
    const int port = FreePort();
    c.ScriptSetUp({"0", "0 " + std::to_string(port), "0", "0", "0", "0"});
    EXPECT_EQ(c.mClient.InitializeConnectionNodes(), 0);
    const Names commands = c.Commands(12);
    ASSERT_EQ(commands.size(), 12u);
    const std::string address = ThisComputersAddress();
    EXPECT_EQ(commands[1], "-CreateStream " + address + " 0 SEScAcqEnt");
    EXPECT_EQ(commands[3], "-CreateStream " + address + " " + std::to_string(port) + " STScAcqEnt");
    EXPECT_EQ(commands[5], "-CreateStream " + address + " " + std::to_string(port) + " TTScAcqEnt");
}

TEST(NetworkNodeClientStreamsTest, ASecondSetUpStopsTheStreamServersOfTheFirst) {
    StreamChannel c;
    c.ScriptSetUp({"0 0", "0 0", "0 0", "0 0", "0 0", "0 0"});
    ASSERT_EQ(c.mClient.InitializeConnectionNodes(), 0);
    const auto servers = Peer::StreamServers(c.mClient);
    std::vector<int> first;
    for (auto* s : servers) first.push_back(s->GetListeningPort());

    c.ScriptSetUp({"0 0", "0 0", "0 0", "0 0", "0 0", "0 0"});
    ASSERT_EQ(c.mClient.InitializeConnectionNodes(), 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(servers[i]->IsReceiving()) << kKinds[i];
        EXPECT_NE(servers[i]->GetListeningPort(), first[i]) << kKinds[i];
        EXPECT_FALSE(Listening(first[i])) << kKinds[i];
    }
}

TEST(NetworkNodeClientStreamsTest, ObjectListsAreParsedKeptAndHandedToEveryKind) {
    StreamChannel c;
    c.mPeer.ThenText("0 SE1\tCSC1\r\nTT1   VT1 Events ");
    c.mPeer.ThenText("0 SEScAcqEnt CscAcqEnt TTScAcqEnt VTAcqEnt EventAcqEnt");
    Names names, types;
    ASSERT_TRUE(c.mClient.GetObjectsAndTypes(names, types));
    EXPECT_EQ(names, (Names{"SE1", "CSC1", "TT1", "VT1", "Events"}));
    EXPECT_EQ(types, (Names{"SEScAcqEnt", "CscAcqEnt", "TTScAcqEnt", "VTAcqEnt", "EventAcqEnt"}));
    EXPECT_EQ(Peer::ObjectNames(c.mClient), names);
    EXPECT_EQ(Peer::DataTypes(c.mClient), types);
    EXPECT_EQ(c.Commands(2), (Names{"-RequestQuorvexObjects", "-RequestQuorvexTypes"}));

    const auto servers = Peer::StreamServers(c.mClient);
    const Names expected[] = {{"SE1", "TT1"}, {"SE1", "TT1"}, {"SE1", "TT1"}, {"CSC1"}, {"VT1"}, {"Events"}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(servers[i]->GetSourceNames(), expected[i]) << kKinds[i];
}

TEST(NetworkNodeClientStreamsTest, ListRepliesThatFailStopTheFetch) {
    {
        StreamChannel c;  // no blank after the status
        c.mPeer.ThenText("0");
        Names names{"old"}, types{"old"};
        EXPECT_FALSE(c.mClient.GetObjectsAndTypes(names, types));
    }
    {
        StreamChannel c;  // an empty list is a list
        c.mPeer.ThenText("0 ");
        c.mPeer.ThenText("0 ");
        Names names{"old"}, types{"old"};
        EXPECT_TRUE(c.mClient.GetObjectsAndTypes(names, types));
        EXPECT_TRUE(names.empty());
        EXPECT_TRUE(types.empty());
    }
    {
        StreamChannel c;  // the types fail: the objects are kept, the kinds learn nothing
        c.mPeer.ThenText("0 CSC1");
        c.mPeer.ThenText("1 CscAcqEnt");
        Names names, types{"old"};
        EXPECT_FALSE(c.mClient.GetObjectsAndTypes(names, types));
        EXPECT_EQ(names, Names{"CSC1"});
        EXPECT_EQ(Peer::ObjectNames(c.mClient), Names{"CSC1"});
        EXPECT_TRUE(Peer::DataTypes(c.mClient).empty());
        EXPECT_EQ(types, Names{"old"});
        EXPECT_TRUE(Peer::StreamServers(c.mClient)[3]->GetSourceNames().empty());
    }
}

TEST(NetworkNodeClientStreamsTest, OpeningIsAnnouncedEveryTimeClosingOnlyAtTheLast) {
    StreamChannel c;
    c.mPeer.ThenText("0 TT1 X1");
    c.mPeer.ThenText("0 TTScAcqEnt Unknown");
    Names names, types;
    ASSERT_TRUE(c.mClient.GetObjectsAndTypes(names, types));
    c.mPeer.ThenText("0");
    c.mPeer.ThenText("0");
    c.mPeer.ThenText("0");
    EXPECT_TRUE(c.mClient.OpenStream("TT1", "TTScAcqEnt"));
    EXPECT_TRUE(c.mClient.OpenStream("TT1", "TTScAcqEnt"));
    EXPECT_FALSE(c.mClient.CloseStream("TT1", "TTScAcqEnt"));
    EXPECT_TRUE(c.mClient.CloseStream("TT1", "TTScAcqEnt"));
    EXPECT_EQ(c.Commands(5), (Names{"-RequestQuorvexObjects", "-RequestQuorvexTypes", "-OpenStream TT1 TTScAcqEnt",
                                    "-OpenStream TT1 TTScAcqEnt", "-CloseStream TT1 TTScAcqEnt"}));

    // Refusals, each with its line and nothing sent.
    EXPECT_FALSE(c.mClient.OpenStream("TT1", "SEScAcqEnt"));
    EXPECT_TRUE(c.Logged("ERROR NetworkNodeClient::OpenStream() - Error, invalid parameter, unrecognized object "
                         "name and data type pairing.  objectName: TT1, dataType: SEScAcqEnt"));
    EXPECT_FALSE(c.mClient.OpenStream("X1", "Unknown"));
    EXPECT_TRUE(c.Logged("ERROR NetworkNodeClient::OpenStream() - Error, invalid parameter, unrecognized data type.  "
                         "dataType: Unknown"));
    EXPECT_FALSE(c.mClient.CloseStream("X1", "Unknown"));
    EXPECT_TRUE(c.Logged("ERROR NetworkNodeClient::CloseStream() - Error, invalid parameter, unrecognized data "
                         "type.  dataType: Unknown"));
    EXPECT_FALSE(c.mClient.CloseStream("TT1", "TTScAcqEnt"));  // not open any more

    EXPECT_TRUE(c.mClient.ShutdownClient());
    const auto lines = c.Log().size();
    EXPECT_FALSE(c.mClient.OpenStream("TT1", "TTScAcqEnt"));  // not connected: refused without a line
    EXPECT_EQ(c.Log().size(), lines);
    EXPECT_EQ(c.mPeer.Texts(100).size(), 6u);  // the connection has ended: all it carried
}

TEST(NetworkNodeClientStreamsTest, ListsOfDifferentLengthsPairOnlyAsFarAsBothReach) {
    StreamChannel c;
    c.ScriptSetUp({"0 0", "0 0", "0 0", "0 0", "0 0", "0 0"});
    ASSERT_EQ(c.mClient.InitializeConnectionNodes(), 0);
    c.mPeer.ThenText("0 CSC1 CSC2 CSC3");
    c.mPeer.ThenText("0 CscAcqEnt CscAcqEnt");
    Names names, types;
    ASSERT_TRUE(c.mClient.GetObjectsAndTypes(names, types));
    EXPECT_EQ(Peer::StreamServers(c.mClient)[3]->GetSourceNames(), (Names{"CSC1", "CSC2"}));
    EXPECT_FALSE(c.mClient.OpenStream("CSC3", "CscAcqEnt"));

    c.mPeer.ThenText("0");
    ASSERT_TRUE(c.mClient.OpenStream("CSC2", "CscAcqEnt"));
    c.mPeer.ThenText("0");  // the shutdown's close of CSC2
    EXPECT_TRUE(c.mClient.ShutdownClient());
    const auto log = c.Log();
    const auto attempts = std::count_if(log.begin(), log.end(), [](const std::string& e) {
        return e.find("RemoveStreamObject() - Notice, Attempting to remove") != std::string::npos;
    });
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(c.mPeer.Texts(17).back(), "-CloseStream CSC2 CscAcqEnt");
}

}  // namespace
