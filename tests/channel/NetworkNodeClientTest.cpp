#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "channel/MessageFrame.h"
#include "channel/NetworkNodeClient.h"
#include "tests/channel/NetworkNodeClientTestPeer.h"
#include "tests/support/LogLines.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/ScriptedPeer.h"

using testsupport::ScriptedPeer;
using Bytes = std::vector<unsigned char>;

namespace {

const char* const kShutdownLines[] = {
    "NOTICE NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client",
    "NOTICE NetworkNodeClient::ShutdownClient() - Attempting to Close Message Client Socket",
    "NOTICE NetworkNodeClient::ShutdownClient() - Attempt to Close Message Client Socket was successful",
};

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The entries from the first one equal to from, to the end.
std::vector<std::string> From(const std::vector<std::string>& entries, const std::string& from) {
    auto at = std::find(entries.begin(), entries.end(), from);
    return std::vector<std::string>(at, entries.end());
}

// A client connected to a scripted peer, its log open on a file of its own.
class Channel {
public:
    explicit Channel(const std::string& name) : mLogPath(testsupport::TempLogPath(name)) {
        EXPECT_TRUE(mClient.OpenLogFile(mLogPath));
    }
    void Connect() {
        mPeer.ThenText("0 Peer");
        ASSERT_TRUE(mClient.InitializeClient("localhost", mPeer.Port()));
    }
    std::vector<std::string> Log() const { return testsupport::ReadLogEntries(mLogPath); }
    // The closing sequence ran, its three lines one after the other.
    bool ShutDown() const {
        const auto log = Log();
        return std::search(log.begin(), log.end(), std::begin(kShutdownLines), std::end(kShutdownLines)) != log.end();
    }

    ScriptedPeer mPeer;
    std::string mLogPath;
    NetworkNodeClient mClient;
};

class NetworkNodeClientTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ClearRecordedBoxes(); }
};

TEST_F(NetworkNodeClientTest, CommandsGoOutAsExactFrames) {
    Channel c(TestName());
    c.Connect();
    ASSERT_TRUE(c.mClient.SendMessage("-GetTimestamp"));
    ASSERT_TRUE(c.mClient.SendMessage(""));
    const unsigned char bytes[] = {0, 1, 2};
    ASSERT_TRUE(c.mClient.SendMessage(bytes, 3));
    const auto frames = c.mPeer.Frames(4);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], frame::EncodeTextFrame("-RequestApplicationName"));
    EXPECT_EQ(frames[1].size(), 26u);
    EXPECT_EQ(frames[1], frame::EncodeTextFrame("-GetTimestamp"));
    EXPECT_EQ(frames[2], (Bytes{1, 0, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5, 1, 0, 0, 0, 0}));
    EXPECT_EQ(frames[3], (Bytes{1, 0, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5, 3, 0, 0, 0, 0, 1, 2}));
}

TEST_F(NetworkNodeClientTest, RepliesAreAssembledAndReadAsText) {
    Channel c(TestName());
    c.Connect();
    const struct {
        ScriptedPeer::Step step;
        const char* text;
    } cases[] = {
        {{ScriptedPeer::TextFrame("0 1234567890123"), 3}, "0 1234567890123"},  // in 3-byte segments
        {{ScriptedPeer::TextFrame("0 77"), 1}, "0 77"},                         // header byte by byte
        {{ScriptedPeer::Frame(1, 0xA5A5A5A5u, 5, TextBytes("0 123"))}, "0 123"},  // no NUL at the end
        {{ScriptedPeer::Frame(1, 0xA5A5A5A5u, 7, {'0', ' ', '1', 0, '2', '3', 0})}, "0 1"},  // a NUL inside
    };
    for (const auto& k : cases) c.mPeer.Then(k.step);
    for (const auto& k : cases) {
        ASSERT_TRUE(c.mClient.SendMessage("-GetTimestamp"));
        std::string reply = "untouched";
        EXPECT_TRUE(c.mClient.RecieveMessage(reply));
        EXPECT_EQ(reply, k.text);
    }
}

// The buffer form hands over the bytes as they came, and takes back the
// caller's earlier block (a leak or double release shows under the sanitizer).
TEST_F(NetworkNodeClientTest, TheBufferFormDeliversRawBytesInABlockTheCallerOwns) {
    Channel c(TestName());
    c.Connect();
    const Bytes first = {'0', ' ', 'A'};
    const Bytes second = {0xFF, 0, 0x10, 0, 7};
    c.mPeer.Then({ScriptedPeer::Frame(1, 0xA5A5A5A5u, 3, first)});
    c.mPeer.Then({ScriptedPeer::Frame(1, 0xA5A5A5A5u, 5, second)});
    unsigned char* buffer = nullptr;
    int size = -1;
    ASSERT_TRUE(c.mClient.SendMessage("-RequestRingBuffer SE1"));
    ASSERT_TRUE(c.mClient.RecieveMessage(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), first);
    ASSERT_TRUE(c.mClient.SendMessage("-RequestRingBuffer SE1"));
    ASSERT_TRUE(c.mClient.RecieveMessage(buffer, size));
    EXPECT_EQ(Bytes(buffer, buffer + size), second);
    NetworkNodeClient::ReleaseMessageBuffer(buffer);
    EXPECT_EQ(buffer, nullptr);
}

// The block grows as a long payload arrives: every byte lands in place in
// both forms, whatever pieces it came in.
TEST_F(NetworkNodeClientTest, APayloadLongerThanTheFirstBlockArrivesWholeInBothForms) {
    Channel c(TestName());
    c.Connect();
    Bytes payload(300001);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>('a' + i % 26);
    const int size = static_cast<int>(payload.size());
    c.mPeer.Then({ScriptedPeer::Frame(1, 0xA5A5A5A5u, size, payload), 7001});
    c.mPeer.Then({ScriptedPeer::Frame(1, 0xA5A5A5A5u, size, payload)});
    ASSERT_TRUE(c.mClient.SendMessage("-RequestRingBuffer SE1"));
    unsigned char* buffer = nullptr;
    int received = 0;
    ASSERT_TRUE(c.mClient.RecieveMessage(buffer, received));
    ASSERT_EQ(received, size);
    EXPECT_TRUE(Bytes(buffer, buffer + received) == payload);
    NetworkNodeClient::ReleaseMessageBuffer(buffer);
    ASSERT_TRUE(c.mClient.SendMessage("-RequestRingBuffer SE1"));
    std::string text;
    ASSERT_TRUE(c.mClient.RecieveMessage(text));
    EXPECT_TRUE(text == std::string(payload.begin(), payload.end()));
}

// A frame that fails its checks leaves its rest on the wire where nothing can
// find the next frame: after the box or the line, the client shuts down.
TEST_F(NetworkNodeClientTest, ARejectedHeaderOrSizeShowsItsBoxOrLineAndShutsTheClientDown) {
    const Bytes payload = TextBytes("0 5");
    const struct {
        Bytes reply;
        const char* box;
        const char* line;
    } cases[] = {
        {ScriptedPeer::Frame(2, 0xA5A5A5A5u, 3, payload),
         "Error, this Version of Tamberlow Network Communication is not Supported, please update to the latest "
         "version of the software.  Version #2",
         nullptr},
        {ScriptedPeer::Frame(0, 0xA5A5A5A5u, 3, payload),
         "Error, invalid version number, data has been corrupted or improperly formatted", nullptr},
        {ScriptedPeer::Frame(-7, 0xA5A5A5A5u, 3, payload),
         "Error, invalid version number, data has been corrupted or improperly formatted", nullptr},
        {ScriptedPeer::Frame(1, 0xA5A5A5A4u, 3, payload),
         "Error, invalid validation code, data has been corrupted or improperly formatted", nullptr},
        {ScriptedPeer::Frame(1, 0xA5A5A5A5u, 0, payload), nullptr,
         "ERROR NetworkNodeClient::RecieveMessage() - Invalid message size for recieving message, messageSize: 0"},
        {ScriptedPeer::Frame(1, 0xA5A5A5A5u, -5, payload), nullptr,
         "ERROR NetworkNodeClient::RecieveMessage() - Invalid message size for recieving message, messageSize: -5"},
    };
    int index = 0;
    for (const auto& k : cases) {
        SCOPED_TRACE(index);
        testsupport::ClearRecordedBoxes();
        Channel c(TestName() + std::to_string(index++));
        c.Connect();
        c.mPeer.Then({k.reply});
        ASSERT_TRUE(c.mClient.SendMessage("-GetTimestamp"));
        std::string reply;
        EXPECT_FALSE(c.mClient.RecieveMessage(reply));
        EXPECT_EQ(reply, "-1");

        const auto boxes = testsupport::RecordedBoxes();
        const auto log = c.Log();
        if (k.box) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, k.box);
            EXPECT_EQ(boxes[0].icon, platform::kIconError);
            EXPECT_FALSE(boxes[0].caption.empty());
        } else {
            EXPECT_TRUE(boxes.empty());
            EXPECT_NE(std::find(log.begin(), log.end(), k.line), log.end());
        }
        EXPECT_TRUE(c.ShutDown());
        EXPECT_FALSE(c.mClient.SendMessage("-GetTimestamp"));
    }
}

TEST_F(NetworkNodeClientTest, TheServerClosingMidFrameShutsTheClientDown) {
    Channel c(TestName());
    c.Connect();
    const Bytes whole = ScriptedPeer::TextFrame("0 1234567890");
    c.mPeer.Then({Bytes(whole.begin(), whole.begin() + 16), 0, ScriptedPeer::Step::Then::Close});
    ASSERT_TRUE(c.mClient.SendMessage("-GetTimestamp"));
    std::string reply;
    EXPECT_FALSE(c.mClient.RecieveMessage(reply));
    EXPECT_EQ(reply, "-1");
    const auto log = From(c.Log(), "NOTICE NetworkNodeClient::GetBuffer() - Attempting to recieve data has failed, socket "
                                   "has been closed gracefully");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(c.ShutDown());
    EXPECT_FALSE(c.mClient.ShutdownClient());
}

TEST_F(NetworkNodeClientTest, AReceiveErrorIsReportedAndShutsTheClientDown) {
    Channel c(TestName());
    c.Connect();
    c.mPeer.Then({{}, 0, ScriptedPeer::Step::Then::Reset});
    ASSERT_TRUE(c.mClient.SendMessage("-GetTimestamp"));
    std::string reply;
    EXPECT_FALSE(c.mClient.RecieveMessage(reply));
    EXPECT_EQ(reply, "-1");
    const auto log = From(c.Log(), "ERROR NetworkNodeClient::ProcessRecieveError() - Error recieving data, error code: "
                                   "WSAECONNRESET - The virtual circuit was reset by the remote side executing a hard "
                                   "or abortive close. For UPD sockets, the remote host was unable to deliver a "
                                   "previously sent UDP datagram and responded with a 'Port Unreachable' ICMP packet. "
                                   "The application should close the socket as it is no longer usable.");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(c.ShutDown());
}

TEST_F(NetworkNodeClientTest, ASendToAVanishedServerIsReportedAndShutsTheClientDown) {
    Channel c(TestName());
    c.Connect();
    c.mPeer.Then({{}, 0, ScriptedPeer::Step::Then::Reset});
    ASSERT_TRUE(c.mClient.SendMessage("-First"));
    c.mPeer.Frames(2);  // the peer has read it and reset the connection
    bool sent = true;
    for (int i = 0; i < 200 && sent; ++i) {
        sent = c.mClient.SendMessage("-Again");
        if (sent) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(sent);
    const auto log = c.Log();
    const auto failed = std::find(log.begin(), log.end(),
                                  "ERROR NetworkNodeClient::SendMessage() - Unable to send data, call to send() failed, "
                                  "we must have lost our socket.  message: -Again");
    ASSERT_NE(failed, log.end());
    ASSERT_NE(failed, log.begin());
    EXPECT_TRUE(failed[-1].starts_with("ERROR NetworkNodeClient::ProcessSendError() - Error sending data, error code: "
                                       "WSAECONNRESET - ") ||
                failed[-1].starts_with("ERROR NetworkNodeClient::ProcessSendError() - Error sending data, error code: "
                                       "WSAECONNABORTED - "))
        << failed[-1];
    EXPECT_TRUE(c.ShutDown());
}

TEST_F(NetworkNodeClientTest, WithoutAConnectionNothingIsTouchedAndNothingLogged) {
    Channel c(TestName());
    EXPECT_EQ(c.mClient.GetServerName(), "Not Connected");
    EXPECT_EQ(c.mClient.GetServerIPAddress(), "Not Connected");
    EXPECT_EQ(c.mClient.GetServerApplicationName(), "Not Connected");
    EXPECT_FALSE(c.mClient.SendMessage("-GetTimestamp"));
    EXPECT_FALSE(c.mClient.SendMessage(nullptr, 0));
    std::string reply = "untouched";
    EXPECT_FALSE(c.mClient.RecieveMessage(reply));
    EXPECT_EQ(reply, "-1");
    unsigned char* buffer = nullptr;
    int size = 0;
    EXPECT_FALSE(c.mClient.RecieveMessage(buffer, size));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(c.Log().empty());

    EXPECT_FALSE(c.mClient.ShutdownClient());
    EXPECT_EQ(c.Log(), (std::vector<std::string>{
                           "NOTICE NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client",
                           "WARNING NetworkNodeClient::ShutdownClient() - Unable to Close Message Client, Client has "
                           "not yet been initialized"}));
}

TEST_F(NetworkNodeClientTest, IdentificationTakesTheNameAfterTheFirstBlankAndMinusOneWhenItFails) {
    {
        Channel c(TestName() + "closed");
        c.mPeer.ThenClose();
        EXPECT_TRUE(c.mClient.InitializeClient("localhost", c.mPeer.Port()));
        EXPECT_EQ(c.mClient.GetServerApplicationName(), "-1");
        EXPECT_TRUE(c.ShutDown());  // the closed connection shut the client down
    }
    {
        Channel c(TestName() + "named");
        c.mPeer.ThenText("0 Peer  Two");
        ASSERT_TRUE(c.mClient.InitializeClient("localhost", c.mPeer.Port()));
        EXPECT_EQ(c.mClient.GetServerApplicationName(), "Peer  Two");
        EXPECT_EQ(c.mClient.GetServerName(), "localhost");
        EXPECT_EQ(c.mClient.GetServerIPAddress(), "127.0.0.1");
        EXPECT_TRUE(c.mClient.ShutdownClient());
        EXPECT_EQ(c.mClient.GetServerName(), "Not Connected");
        EXPECT_EQ(c.mClient.GetServerIPAddress(), "Not Connected");
        EXPECT_EQ(c.mClient.GetServerApplicationName(), "Peer  Two");
    }
}

// A connection lost while the shutdown closes streams calls ShutdownClient
// from inside itself; the closing runs once, and the rest of the closes are
// not attempted on a connection that is gone.
TEST_F(NetworkNodeClientTest, ShutdownReachedFromInsideItselfClosesOnce) {
    Channel c(TestName());
    c.Connect();
    NetworkNodeClientTestPeer::SetKnownStreams(c.mClient, {"SE1", "TT1"}, {"SEScAcqEnt", "TTScAcqEnt"});
    // Both open, so that the shutdown announces the close of each.
    c.mPeer.ThenText("0");
    c.mPeer.ThenText("0");
    c.mPeer.ThenClose();
    ASSERT_TRUE(c.mClient.OpenStream("SE1", "SEScAcqEnt"));
    ASSERT_TRUE(c.mClient.OpenStream("TT1", "TTScAcqEnt"));
    EXPECT_TRUE(c.mClient.ShutdownClient());

    const auto log = c.Log();
    for (const char* line : kShutdownLines) EXPECT_EQ(std::count(log.begin(), log.end(), line), 1) << line;
    EXPECT_EQ(c.mPeer.Texts(5), (std::vector<std::string>{"-RequestApplicationName", "-OpenStream SE1 SEScAcqEnt",
                                                          "-OpenStream TT1 TTScAcqEnt",
                                                          "-CloseStream SE1 SEScAcqEnt"}));
    EXPECT_FALSE(c.mClient.ShutdownClient());
}

TEST_F(NetworkNodeClientTest, AFailedConnectionLeavesNoSocketBehindAndTheNextOneWorks) {
    Channel c(TestName());
    EXPECT_FALSE(c.mClient.InitializeClient("no-such-host.invalid", c.mPeer.Port()));
    EXPECT_EQ(NetworkNodeClientTestPeer::Socket(c.mClient), platform::kInvalidSocket);
    c.Connect();
    EXPECT_TRUE(c.mClient.ShutdownClient());
}

}  // namespace
