#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "streams/NodeConnectionClientCSC.h"
#include "streams/NodeConnectionClientTT.h"
#include "tests/streams/StreamTestSupport.h"

using namespace streamtest;

namespace {

const char* const kClosedGracefully =
    "NodeConnectionClient::RecieveData() - Attempt to recieve data has failed, socket has been closed gracefully.  "
    "mStreamType: CSC";
const char* const kTerminated =
    "NodeConnectionClient::CloseServerStream() - mDmaProcessor thread has been terminated successfully.";
const char* const kWaitCompleted =
    "NodeConnectionClient::CloseServerStream() - WaitForSingleObject for mDmaProcessor thread completed successfully.";
const char* const kCloseNotSocket =
    "NodeConnectionClient::ProcessCloseError() - Error closing socket, error code: WSAENOTSOCK - The descriptor is "
    "not a socket.  mStreamType: CSC";

// A free port the system hands out, released again for the test to use.
int FreePort() {
    const platform::Socket s = platform::CreateTcpSocket();
    platform::Bind(s, {0, 0, 0, 0}, 0);
    const int port = platform::LocalPort(s);
    platform::CloseSocket(s);
    return port;
}

// True when nothing listens on port any longer: a connection is refused.
// (Binding it again is no test: a closed connection may hold it a while.)
bool NothingListensOn(int port) {
    const platform::Socket s = platform::CreateTcpSocket();
    const bool refused = platform::Connect(s, {127, 0, 0, 1}, static_cast<std::uint16_t>(port)) != 0 &&
                         platform::LastSocketError() == platform::wsa::kConnectionRefused;
    platform::CloseSocket(s);
    return refused;
}

std::vector<unsigned char> CscRecord(std::uint32_t sequence, std::int32_t channel) {
    auto record = MakeRecord(NodeConnectionClientCSC::kRecordSize, sequence);
    PutInt32(record, 8, channel);
    return record;
}

// A CSC stream server with one channel, collecting its records, and the peer
// that plays the acquisition server.
class StreamServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(platform::SocketStartup(0x0101), 0);
        server.SetLogFile(log.Log());
        server.UpdateObjectNameList({"CSC1", "CSC2"}, {"CscAcqEnt", "CscAcqEnt"});
        server.SetCallbackFunctionCSC(&Collector::Collect, &collector);
    }

    void StartAndConnect() {
        ASSERT_TRUE(server.InitServerStream(0));
        port = server.GetListeningPort();
        ASSERT_GT(port, 0);
        ASSERT_TRUE(peer.Connect(port));
    }

    // Sends records (channel alternating 0 and 1) cut into pieces of the
    // given size, and checks that each arrived once, whole and in order.
    void SendInPiecesAndCheck(int count, std::size_t piece) {
        const std::size_t before = collector.Count();
        std::vector<std::vector<unsigned char>> records;
        for (int i = 0; i < count; ++i) records.push_back(CscRecord(static_cast<std::uint32_t>(before + i), i % 2));
        const auto bytes = Concat(records);
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            ASSERT_TRUE(peer.Send(bytes.data() + at, std::min(piece, bytes.size() - at)));
        }
        ASSERT_TRUE(collector.WaitForCount(before + records.size()));
        const auto got = collector.Deliveries();
        ASSERT_EQ(got.size(), before + records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const Delivery& d = got[before + i];
            ASSERT_EQ(d.bytes, records[i]) << "record " << i;
            EXPECT_EQ(d.objectName, i % 2 ? "CSC2" : "CSC1");
            EXPECT_EQ(d.recordCount, 1);
            EXPECT_EQ(d.context, &collector);
        }
    }

    LogCapture log{"streams"};
    Collector collector{NodeConnectionClientCSC::kRecordSize};
    NodeConnectionClientCSC server;
    StreamPeer peer;
    int port = 0;
};

TEST_F(StreamServerTest, RecordArrivingInPiecesIsDeliveredOnceWhenComplete) {
    StartAndConnect();
    const auto record = CscRecord(7, 1);
    ASSERT_TRUE(peer.Send(record.data(), 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(collector.Count(), 0u);
    ASSERT_TRUE(peer.Send(record.data() + 1000, 44));
    ASSERT_TRUE(collector.WaitForCount(1));
    const auto got = collector.Deliveries();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, record);
    EXPECT_EQ(got[0].objectName, "CSC2");
    EXPECT_EQ(got[0].recordCount, 1);
}

TEST_F(StreamServerTest, TwoRecordsInOnePieceAreDeliveredOneAfterTheOther) {
    StartAndConnect();
    SendInPiecesAndCheck(2, 2 * NodeConnectionClientCSC::kRecordSize);
}

TEST_F(StreamServerTest, LongStreamsSurviveEveryWayOfCuttingThem) {
    StartAndConnect();
    // Pieces that straddle records and blocks of the receive buffer, single
    // bytes, and sends far larger than the buffer.
    SendInPiecesAndCheck(300, 777);
}

TEST_F(StreamServerTest, LongStreamInOneSendAndInSingleBytes) {
    StartAndConnect();
    SendInPiecesAndCheck(3, 1);
    SendInPiecesAndCheck(500, 500 * NodeConnectionClientCSC::kRecordSize);
}

TEST_F(StreamServerTest, ServerClosingTheConnectionEndsTheThreadAndDropsAPartialRecord) {
    for (const std::size_t tail : {std::size_t{0}, std::size_t{600}}) {
        SCOPED_TRACE(tail);
        const std::size_t before = collector.Count();
        StartAndConnect();
        const auto bytes = Concat({CscRecord(1, 0), CscRecord(2, 1)});
        ASSERT_TRUE(peer.Send(bytes.data(), NodeConnectionClientCSC::kRecordSize + tail));
        peer.Close();
        ASSERT_TRUE(WaitUntil([&] { return !server.IsReceiving(); }));
        EXPECT_EQ(collector.Count(), before + 1);
        EXPECT_TRUE(log.Contains(kClosedGracefully));
        server.CloseServerStream();
    }
}

TEST_F(StreamServerTest, StreamObjectsAreCountedByExactName) {
    EXPECT_TRUE(server.AddStreamObject("TT1"));
    EXPECT_TRUE(server.AddStreamObject("TT1"));
    EXPECT_TRUE(server.AddStreamObject("tt1"));
    EXPECT_EQ(server.GetStreamObjects(), (std::vector<std::string>{"TT1", "tt1"}));
    EXPECT_EQ(server.GetStreamObjectCounts(), (std::vector<int>{2, 1}));

    EXPECT_FALSE(server.RemoveStreamObject("TT1"));
    EXPECT_EQ(server.GetStreamObjectCounts(), (std::vector<int>{1, 1}));
    EXPECT_TRUE(server.RemoveStreamObject("TT1"));
    EXPECT_EQ(server.GetStreamObjects(), (std::vector<std::string>{"tt1"}));
    EXPECT_FALSE(server.RemoveStreamObject("TT1"));
    EXPECT_EQ(server.GetStreamObjects(), (std::vector<std::string>{"tt1"}));

    const std::vector<LogEntry> expected{
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Attempting to add object to our stream list, "
                   "objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Attempt to add stream object to our list was "
                   "successful.  objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Attempting to add object to our stream list, "
                   "objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Stream Object is already in our list, count has "
                   "been incremented.  count: 2, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Attempting to add object to our stream list, "
                   "objectName: tt1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::AddStreamObject() - Notice, Attempt to add stream object to our list was "
                   "successful.  objectName: tt1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Attempting to remove object from our stream "
                   "list, objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Stream Object count has been decremented.  "
                   "count: 1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Attempting to remove object from our stream "
                   "list, objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Stream Object count has been decremented.  "
                   "count: 0, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Stream Object count was zero, therefore "
                   "object has been removed.  objectName: TT1, mStreamType CSC."},
        {"NOTICE", "NodeConnectionClient::RemoveStreamObject() - Notice, Attempting to remove object from our stream "
                   "list, objectName: TT1, mStreamType CSC."},
        {"ERROR", "NodeConnectionClient::RemoveStreamObject() - Error, Attempt to remove object from our list failed, "
                  "the object was not found.  objectName: TT1, mStreamType CSC."},
    };
    EXPECT_EQ(log.Entries(), expected);
}

TEST_F(StreamServerTest, RemovingTheFirstEntryMovesTheOthersDownWithTheirCounts) {
    for (const char* name : {"A", "B", "B", "C", "C", "C"}) server.AddStreamObject(name);
    EXPECT_TRUE(server.RemoveStreamObject("A"));
    EXPECT_EQ(server.GetStreamObjects(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(server.GetStreamObjectCounts(), (std::vector<int>{2, 3}));
}

TEST_F(StreamServerTest, ClosingAServerThatNeverStartedReportsBothClosings) {
    server.CloseServerStream();
    server.CloseServerStream();
    EXPECT_EQ(log.Texts(), (std::vector<std::string>(4, kCloseNotSocket)));
}

TEST_F(StreamServerTest, ClosingAListeningServerStopsItsThreadAndFreesItsPort) {
    ASSERT_TRUE(server.InitServerStream(0));
    port = server.GetListeningPort();
    EXPECT_TRUE(server.IsReceiving());
    server.CloseServerStream();
    EXPECT_FALSE(server.IsReceiving());
    EXPECT_FALSE(server.HoldsServerStream());
    EXPECT_TRUE(NothingListensOn(port));
    // The listening socket closes; the connection that never came fails to.
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{kTerminated, kWaitCompleted, kCloseNotSocket}));

    // A second close finds no thread.
    server.CloseServerStream();
    EXPECT_EQ(log.Texts().size(), 5u);
}

TEST_F(StreamServerTest, ClosingAStreamingServerWritesOnlyItsOwnLines) {
    StartAndConnect();
    SendInPiecesAndCheck(5, 5 * NodeConnectionClientCSC::kRecordSize);
    server.CloseServerStream();
    EXPECT_FALSE(server.IsReceiving());
    EXPECT_TRUE(NothingListensOn(port));
    // The wake-up is neither a closed connection nor a receive failure.
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{kTerminated, kWaitCompleted}));
}

// A callback that holds the receive thread until the test lets it go.
struct BlockingCallback {
    std::promise<void> entered;
    std::shared_future<void> release;
    std::atomic<int> calls{0};
    std::atomic<bool> returned{false};

    static void Call(void* context, const unsigned char*, int, std::string) {
        auto* self = static_cast<BlockingCallback*>(context);
        if (self->calls++ == 0) {
            self->entered.set_value();
            self->release.wait();
            self->returned = true;
        }
    }
};

TEST_F(StreamServerTest, CloseWaitsForACallbackUnderWayAndDeliversNothingAfterIt) {
    std::promise<void> release;
    BlockingCallback blocking;
    blocking.release = release.get_future().share();
    server.SetCallbackFunctionCSC(&BlockingCallback::Call, &blocking);
    StartAndConnect();
    ASSERT_TRUE(peer.Send(Concat({CscRecord(1, 0), CscRecord(2, 0), CscRecord(3, 0)})));
    ASSERT_EQ(blocking.entered.get_future().wait_for(kStuck), std::future_status::ready);

    auto closing = std::async(std::launch::async, [this] { server.CloseServerStream(); });
    // The close has written its wait line and is now waiting on the callback.
    ASSERT_TRUE(log.WaitFor(kWaitCompleted));
    EXPECT_EQ(closing.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    release.set_value();
    closing.get();
    EXPECT_TRUE(blocking.returned);
    EXPECT_EQ(blocking.calls, 1);
    EXPECT_TRUE(NothingListensOn(port));
}

TEST_F(StreamServerTest, DestroyingARunningServerWaitsForItsCallback) {
    std::promise<void> release;
    BlockingCallback blocking;
    blocking.release = release.get_future().share();
    auto tetrode = std::make_unique<NodeConnectionClientTT>();
    tetrode->SetLogFile(log.Log());
    tetrode->UpdateObjectNameList({"TT1"}, {"TTScAcqEnt"});
    tetrode->SetCallbackFunctionTT(&BlockingCallback::Call, &blocking);
    ASSERT_TRUE(tetrode->InitServerStream(0));
    port = tetrode->GetListeningPort();
    ASSERT_TRUE(peer.Connect(port));
    auto record = MakeRecord(NodeConnectionClientTT::kRecordSize, 1);
    PutInt32(record, 8, 0);
    ASSERT_TRUE(peer.Send(record));
    ASSERT_EQ(blocking.entered.get_future().wait_for(kStuck), std::future_status::ready);

    auto destroying = std::async(std::launch::async, [&] { tetrode.reset(); });
    ASSERT_TRUE(log.WaitFor(kWaitCompleted));
    release.set_value();
    destroying.get();
    EXPECT_TRUE(blocking.returned);
    EXPECT_TRUE(NothingListensOn(port));
}

// A callback that closes its own stream, and then tries to start it again.
struct SelfClosingCallback {
    NodeConnectionClient* server = nullptr;
    std::atomic<int> calls{0};
    std::atomic<bool> restarted{true};

    static void Call(void* context, const unsigned char*, int, std::string) {
        auto* self = static_cast<SelfClosingCallback*>(context);
        if (self->calls++ != 0) return;
        self->server->CloseServerStream();
        self->restarted = self->server->InitServerStream(0);
    }
};

TEST_F(StreamServerTest, ACallbackClosingItsOwnStreamEndsItWithoutWaitingForItself) {
    SelfClosingCallback closing;
    closing.server = &server;
    server.SetCallbackFunctionCSC(&SelfClosingCallback::Call, &closing);
    StartAndConnect();
    ASSERT_TRUE(peer.Send(Concat({CscRecord(1, 0), CscRecord(2, 0)})));
    ASSERT_TRUE(WaitUntil([&] { return !server.IsReceiving(); }));
    EXPECT_EQ(closing.calls, 1);
    EXPECT_FALSE(closing.restarted);
    EXPECT_TRUE(NothingListensOn(port));
    const auto texts = log.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], kTerminated);
    EXPECT_EQ(texts[1],
              "NodeConnectionClient::CloseServerStream() - Error, call to WaitForSingleObject() failed for thread "
              "mDmaProcessor. lastError: 1131");
    EXPECT_EQ(texts[2], "NodeConnectionClient::InitServerStream() - Error, unable to create new thread, "
                        "AfxBeginThread() returned a null.  mStreamType: CSC");

    // The owner starts it again; the ended thread is collected first.
    server.SetCallbackFunctionCSC(&Collector::Collect, &collector);
    StartAndConnect();
    SendInPiecesAndCheck(2, 1044);
}

TEST_F(StreamServerTest, StartingAgainStopsTheRunningStreamFirst) {
    StartAndConnect();
    const int first = port;
    ASSERT_TRUE(server.InitServerStream(0));
    const auto texts = log.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], kTerminated);
    EXPECT_EQ(texts[1], kWaitCompleted);
    EXPECT_TRUE(NothingListensOn(first));

    // (Not on the same port: the connection just closed may hold it a while.)
    port = server.GetListeningPort();
    ASSERT_TRUE(peer.Connect(port));
    SendInPiecesAndCheck(3, 100);
}

TEST_F(StreamServerTest, PortAbove65535BindsItsLow16Bits) {
    const int free = FreePort();
    ASSERT_TRUE(server.InitServerStream(free + 65536));
    EXPECT_EQ(server.GetListeningPort(), free);
    EXPECT_EQ(server.GetPortNumber(), free + 65536);
}

TEST_F(StreamServerTest, BindingAPortInUseFailsWithItsLineAndStartsNoThread) {
    const platform::Socket holder = platform::CreateTcpSocket();
    ASSERT_EQ(platform::Bind(holder, {0, 0, 0, 0}, 0), 0);
    ASSERT_EQ(platform::Listen(holder, 1), 0);
    port = platform::LocalPort(holder);

    EXPECT_FALSE(server.InitServerStream(port));
    EXPECT_FALSE(server.IsReceiving());
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{
                               "NodeConnectionClient::BindSocket() - Error Binding Socket, error code: WSAEADDRINUSE - "
                               "A process on the computer is already bound to the same fully-qualified address and "
                               "the socket has not been marked to allow address reuse with SO_REUSEADDR.  "
                               "mStreamType: CSC"}));
    platform::CloseSocket(holder);
}

}  // namespace
