// The six live data streams end to end: NetworkNodeClient sets them up with
// quorvex-sim, which streams records of every opened object to the client's
// stream servers, each record checked on arrival.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "channel/NetworkNodeClient.h"
#include "platform/Sockets.h"
#include "tests/channel/NetworkNodeClientTestPeer.h"
#include "tests/support/LogLines.h"
#include "tests/support/SimServer.h"
#include "tools/quorvex-sim/StreamRecords.h"

using testsupport::SimServer;
using Names = std::vector<std::string>;

namespace {

std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

constexpr auto kStuck = std::chrono::seconds(60);

// What one kind's callback saw: per object, the sequence numbers in the
// order they came, and every fault.
struct KindRecords {
    explicit KindRecords(const char* dataType) : kind(*sim::FindStreamKind(dataType)) {}

    static void Callback(void* context, const unsigned char* record, int recordCount, std::string objectName) {
        auto* self = static_cast<KindRecords*>(context);
        std::uint32_t index = 0, sequence = 0;
        const bool whole = sim::CheckRecord(self->kind, record, index, sequence);
        std::lock_guard<std::mutex> lock(self->lock);
        if (!whole || recordCount != 1) ++self->faults;
        self->order.push_back(objectName);
        self->sequences[objectName].push_back(sequence);
        self->indexes[objectName].push_back(index);
        self->changed.notify_all();
    }

    size_t CountOf(const std::string& name) {
        std::lock_guard<std::mutex> lock(this->lock);
        return sequences[name].size();
    }
    bool WaitForCount(const std::string& name, size_t count) {
        std::unique_lock<std::mutex> l(lock);
        return changed.wait_for(l, kStuck, [&] { return sequences[name].size() >= count; });
    }

    const sim::StreamKindInfo& kind;
    std::mutex lock;
    std::condition_variable changed;
    int faults = 0;
    Names order;
    std::map<std::string, std::vector<std::uint32_t>> sequences;
    std::map<std::string, std::vector<std::uint32_t>> indexes;
};

struct Kinds {
    KindRecords se{"SEScAcqEnt"}, st{"STScAcqEnt"}, tt{"TTScAcqEnt"}, csc{"CscAcqEnt"}, ev{"EventAcqEnt"},
        vt{"VTAcqEnt"};

    void Register(NetworkNodeClient& client) {
        client.SetCallbackFunctionSE(&KindRecords::Callback, &se);
        client.SetCallbackFunctionST(&KindRecords::Callback, &st);
        client.SetCallbackFunctionTT(&KindRecords::Callback, &tt);
        client.SetCallbackFunctionCSC(&KindRecords::Callback, &csc);
        client.SetCallbackFunctionEV(&KindRecords::Callback, &ev);
        client.SetCallbackFunctionVT(&KindRecords::Callback, &vt);
    }
    KindRecords& Of(const std::string& dataType) {
        if (dataType == "SEScAcqEnt") return se;
        if (dataType == "STScAcqEnt") return st;
        if (dataType == "TTScAcqEnt") return tt;
        if (dataType == "CscAcqEnt") return csc;
        if (dataType == "EventAcqEnt") return ev;
        return vt;
    }
};

// Connected to the simulator with all six streams set up and both lists fetched.
class StreamingClient {
public:
    explicit StreamingClient(const std::vector<std::string>& simOptions)
        : sim(simOptions), log(testsupport::TempLogPath(TestName())) {
        EXPECT_TRUE(sim.Started());
        EXPECT_TRUE(client.OpenLogFile(log));
        kinds.Register(client);
        EXPECT_TRUE(client.InitializeClient("localhost", sim.CommandPort()));
        EXPECT_EQ(client.InitializeConnectionNodes(), 0);
        EXPECT_TRUE(client.GetObjectsAndTypes(names, types));
    }

    SimServer sim;
    std::string log;
    Kinds kinds;
    NetworkNodeClient client;
    Names names, types;
};

// The simulator's default objects, and where each kind's client finds them.
const Names kObjects{"SE1", "SE2", "ST1", "TT1", "CSC1", "CSC2", "Events", "VT1"};
const Names kTypes{"SEScAcqEnt", "SEScAcqEnt", "STScAcqEnt", "TTScAcqEnt",
                   "CscAcqEnt",  "CscAcqEnt",  "EventAcqEnt", "VTAcqEnt"};
const std::map<std::string, std::uint32_t> kIndexOf{{"SE1", 0},  {"SE2", 1},  {"ST1", 2},    {"TT1", 3},
                                                    {"CSC1", 0}, {"CSC2", 1}, {"Events", 0}, {"VT1", 0}};

TEST(StreamsSimTest, AllSixKindsStreamEveryRecordOnceWholeInOrderToTheRightCallbackAndName) {
    StreamingClient c({"--stream-rate", "4000"});
    ASSERT_EQ(c.names, kObjects);
    ASSERT_EQ(c.types, kTypes);
    std::string line;
    for (const std::string kind : {"SE", "ST", "TT", "CSC", "VT", "EV"}) {
        ASSERT_TRUE(c.sim.NextStreamLine(line));
        // Where this computer's name resolves to no loopback address (wine
        // gives one of its own), the simulator says it goes to loopback.
        if (line.starts_with("stream " + kind + ": ")) {
            EXPECT_TRUE(line.ends_with(" is not a loopback address, connecting to 127.0.0.1 instead")) << line;
            ASSERT_TRUE(c.sim.NextStreamLine(line));
        }
        EXPECT_TRUE(line.starts_with("stream " + kind + " connected to 127.0.0.1:")) << line;
    }
    for (size_t i = 0; i < kObjects.size(); ++i) ASSERT_TRUE(c.client.OpenStream(kObjects[i], kTypes[i]));
    for (size_t i = 0; i < kObjects.size(); ++i) {
        ASSERT_TRUE(c.kinds.Of(kTypes[i]).WaitForCount(kObjects[i], 1000)) << kObjects[i];
    }

    const auto servers = NetworkNodeClientTestPeer::StreamServers(c.client);
    EXPECT_TRUE(c.client.ShutdownClient());
    for (auto* server : servers) EXPECT_FALSE(server->IsReceiving()) << server->GetStreamType();

    for (size_t i = 0; i < kObjects.size(); ++i) {
        SCOPED_TRACE(kObjects[i]);
        KindRecords& kind = c.kinds.Of(kTypes[i]);
        std::lock_guard<std::mutex> lock(kind.lock);
        EXPECT_EQ(kind.faults, 0);
        const auto& sequences = kind.sequences[kObjects[i]];
        for (size_t n = 0; n < sequences.size(); ++n) ASSERT_EQ(sequences[n], n) << "lost, doubled or reordered";
        for (std::uint32_t index : kind.indexes[kObjects[i]]) ASSERT_EQ(index, kIndexOf.at(kObjects[i]));
        // No record of this kind went to a name of another kind.
        for (const std::string& name : kind.order) {
            const auto at = std::find(kObjects.begin(), kObjects.end(), name);
            ASSERT_NE(at, kObjects.end()) << name;
            ASSERT_EQ(kTypes[at - kObjects.begin()], kTypes[i]) << name;
        }
    }
    // Nothing was rejected or failed on the way.
    for (const std::string& entry : testsupport::ReadLogEntries(c.log)) {
        EXPECT_EQ(entry.find("ExecuteCallback"), std::string::npos) << entry;
        EXPECT_EQ(entry.find("ProcessRecieveError"), std::string::npos) << entry;
    }
}

TEST(StreamsSimTest, AClosedObjectsRecordsStopWhileTheOthersOnItsStreamGoOn) {
    StreamingClient c({"--stream-rate", "SE=4000"});
    KindRecords& se = c.kinds.se;
    ASSERT_TRUE(c.client.OpenStream("SE1", "SEScAcqEnt"));
    ASSERT_TRUE(c.client.OpenStream("SE2", "SEScAcqEnt"));
    ASSERT_TRUE(c.client.OpenStream("SE1", "SEScAcqEnt"));  // opened twice, closed at the second close
    ASSERT_TRUE(se.WaitForCount("SE1", 200));
    ASSERT_FALSE(c.client.CloseStream("SE1", "SEScAcqEnt"));
    ASSERT_TRUE(c.client.CloseStream("SE1", "SEScAcqEnt"));
    const size_t se2 = se.CountOf("SE2");
    ASSERT_TRUE(se.WaitForCount("SE2", se2 + 2000));
    EXPECT_TRUE(c.client.ShutdownClient());

    // The stream is ordered: once the close was heard, only SE2 follows.
    std::lock_guard<std::mutex> lock(se.lock);
    const auto lastSE1 = std::find(se.order.rbegin(), se.order.rend(), "SE1");
    EXPECT_GE(lastSE1 - se.order.rbegin(), 500);
    const auto& sequences = se.sequences["SE2"];
    for (size_t n = 0; n < sequences.size(); ++n) ASSERT_EQ(sequences[n], n);
}

TEST(StreamsSimTest, AStreamAskedForAnotherAddressGoesToLoopbackAndSaysSo) {
    SimServer sim({"--stream-rate", "100"});
    ASSERT_TRUE(sim.Started());
    platform::SocketStartup(0x0101);
    const platform::Socket listener = platform::CreateTcpSocket();
    ASSERT_EQ(platform::Bind(listener, {127, 0, 0, 1}, 0), 0);
    ASSERT_EQ(platform::Listen(listener, 1), 0);
    const int port = platform::LocalPort(listener);

    NetworkNodeClient client;
    ASSERT_TRUE(client.InitializeClient("localhost", sim.CommandPort()));
    const std::string command = "-CreateStream 192.0.2.7 " + std::to_string(port) + " VTAcqEnt";
    ASSERT_TRUE(client.SendMessage(command));
    std::string reply;
    ASSERT_TRUE(client.RecieveMessage(reply));
    EXPECT_EQ(reply, "0");

    std::string line;
    ASSERT_TRUE(sim.NextStreamLine(line));
    EXPECT_EQ(line, "stream VT: 192.0.2.7 is not a loopback address, connecting to 127.0.0.1 instead");
    ASSERT_TRUE(sim.NextStreamLine(line));
    EXPECT_EQ(line, "stream VT connected to 127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(platform::WaitReadable(listener, 20000), 1);
    const platform::Socket stream = platform::Accept(listener);
    EXPECT_NE(stream, platform::kInvalidSocket);

    // VT1 opened: whole 1828-byte records with its index in the tracker id.
    ASSERT_TRUE(client.SendMessage("-OpenStream VT1 VTAcqEnt"));
    ASSERT_TRUE(client.RecieveMessage(reply));
    std::vector<unsigned char> record(1828);
    int got = 0;
    while (got < 1828) {
        const int n = platform::Receive(stream, record.data() + got, 1828 - got);
        ASSERT_GT(n, 0);
        got += n;
    }
    std::uint32_t index = 99, sequence = 99;
    EXPECT_TRUE(sim::CheckRecord(*sim::FindStreamKind("VTAcqEnt"), record.data(), index, sequence));
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(sequence, 0u);
    EXPECT_TRUE(client.ShutdownClient());
    platform::CloseSocket(stream);
    platform::CloseSocket(listener);
}

}  // namespace
