// The server's objects and live data streams through KovaneClient, against
// quorvex-sim: the lists, the records reaching the callbacks, and the stream
// health figures beside what the simulator sent.
#include <gtest/gtest.h>

#include <kovane/KovaneClient.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "streams/NodeConnectionClient.h"
#include "tests/support/SimServer.h"

using testsupport::SimServer;

namespace {

constexpr StreamKind kKinds[] = {StreamKind::SE, StreamKind::ST, StreamKind::TT,
                                 StreamKind::CSC, StreamKind::EV, StreamKind::VT};
constexpr int kRecordSizes[] = {112, 176, 304, 1044, 184, 1828};
const char* const kKindNames[] = {"SE", "ST", "TT", "CSC", "EV", "VT"};

// Waits for a condition that the streams bring about, checking it often.
bool Eventually(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// What one kind's callback saw. quorvex-sim numbers each object's records on
// a stream from 0 (bytes 12..15), so the next number expected per object is
// also the count of that object's records it sent and we received.
struct KindRecords {
    std::mutex lock;
    std::uint64_t count = 0;
    std::map<std::string, std::uint32_t> next;
    bool inOrder = true;
    bool countOne = true;
};

void OnRecord(void* context, const unsigned char* record, int recordCount, std::string objectName) {
    auto& seen = *static_cast<KindRecords*>(context);
    const std::uint32_t sequence = record[12] | record[13] << 8 | record[14] << 16 | std::uint32_t(record[15]) << 24;
    std::lock_guard<std::mutex> lock(seen.lock);
    std::uint32_t& next = seen.next[objectName];
    if (sequence != next) seen.inOrder = false;
    next = sequence + 1;
    if (recordCount != 1) seen.countOne = false;
    ++seen.count;
}

void RegisterAll(KovaneClient& client, KindRecords (&seen)[6]) {
    client.SetCallbackFunctionSE(OnRecord, &seen[0]);
    client.SetCallbackFunctionST(OnRecord, &seen[1]);
    client.SetCallbackFunctionTT(OnRecord, &seen[2]);
    client.SetCallbackFunctionCSC(OnRecord, &seen[3]);
    client.SetCallbackFunctionEV(OnRecord, &seen[4]);
    client.SetCallbackFunctionVT(OnRecord, &seen[5]);
}

}  // namespace

TEST(KovaneStreamsTest, ObjectsAndTypesPairByIndexAndAShortTypeListLeavesEmptyTypes) {
    const std::vector<std::string> defaultObjects = {"SE1", "SE2", "ST1", "TT1", "CSC1", "CSC2", "Events", "VT1"};
    const std::vector<std::string> defaultTypes = {"SEScAcqEnt", "SEScAcqEnt", "STScAcqEnt",  "TTScAcqEnt",
                                                   "CscAcqEnt",  "CscAcqEnt",  "EventAcqEnt", "VTAcqEnt"};
    std::vector<std::string> shortTypes = {"SEScAcqEnt", "SEScAcqEnt"};
    shortTypes.resize(defaultObjects.size());
    struct Case {
        std::vector<std::string> options;
        bool ok;
        std::vector<std::string> types;
    };
    const Case cases[] = {
        {{}, true, defaultTypes},
        {{"--reply", "-RequestQuorvexTypes=0 SEScAcqEnt SEScAcqEnt"}, true, shortTypes},
        {{"--reply", "-RequestQuorvexTypes=0 SEScAcqEnt SEScAcqEnt STScAcqEnt TTScAcqEnt CscAcqEnt CscAcqEnt "
                     "EventAcqEnt VTAcqEnt VTAcqEnt EventAcqEnt"},
         true, defaultTypes},  // types beyond the last object are dropped
        {{"--reply", "-RequestQuorvexTypes=1"}, false, {"earlier"}},
        {{"--reply", "-RequestQuorvexObjects=0"}, false, {"earlier"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.empty() ? "the simulator's own lists" : c.options.back());
        SimServer sim(c.options);
        ASSERT_TRUE(sim.Started());
        KovaneClient client(sim.QueryPort(), sim.CommandPort());
        ASSERT_TRUE(client.Connect("localhost", true));
        std::vector<std::string> objects = {"earlier"}, types = {"earlier"};
        EXPECT_EQ(client.GetObjectsAndTypes(objects, types), c.ok);
        EXPECT_EQ(objects, c.ok ? defaultObjects : std::vector<std::string>{"earlier"});
        EXPECT_EQ(types, c.types);
        if (c.ok) {
            EXPECT_TRUE(client.OpenStream("SE2", "SEScAcqEnt"));
            // An object without a type from the server cannot be opened.
            EXPECT_EQ(client.OpenStream("CSC1", "CscAcqEnt"), c.types[4] == "CscAcqEnt");
            EXPECT_FALSE(client.OpenStream("CSC1", ""));
        }
    }
}

// Every object of every kind opened: the callbacks get every record quorvex-sim
// sent, in order, and the health figures say the same.
TEST(KovaneStreamsTest, HealthFiguresAgreeWithTheRecordsTheSimulatorSent) {
    SimServer sim({"--stream-rate", "2000"});
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    for (StreamKind kind : kKinds) {
        const StreamHealth before = client.GetStreamHealth(kind);
        EXPECT_FALSE(before.mConnected);
        EXPECT_EQ(before.mRecordsDelivered + before.mRecordsRejected + before.mBytesReceived, 0u);
    }
    ASSERT_TRUE(client.Connect("localhost", true));
    KindRecords seen[6];
    RegisterAll(client, seen);
    std::vector<std::string> objects, types;
    ASSERT_TRUE(client.GetObjectsAndTypes(objects, types));
    for (size_t i = 0; i < objects.size(); ++i) ASSERT_TRUE(client.OpenStream(objects[i], types[i])) << objects[i];

    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(kKindNames[k]);
        EXPECT_TRUE(Eventually([&] {
            const StreamHealth h = client.GetStreamHealth(kKinds[k]);
            return h.mConnected && h.mRecordsDelivered >= 50;
        }));
    }
    // Disconnecting ends every stream and waits for its thread: the figures are final.
    ASSERT_TRUE(client.Disconnect());

    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(kKindNames[k]);
        const StreamHealth h = client.GetStreamHealth(kKinds[k]);
        std::lock_guard<std::mutex> lock(seen[k].lock);
        EXPECT_FALSE(h.mConnected);
        EXPECT_TRUE(seen[k].inOrder);
        EXPECT_TRUE(seen[k].countOne);
        EXPECT_EQ(h.mRecordsDelivered, seen[k].count);
        std::uint64_t sent = 0;
        for (const auto& [name, next] : seen[k].next) sent += next;
        EXPECT_EQ(h.mRecordsDelivered, sent);
        EXPECT_EQ(h.mRecordsRejected, 0u);
        // Every delivered record, and at most the rest of one receive block
        // that the stop left undelivered.
        const std::uint64_t whole = h.mRecordsDelivered * kRecordSizes[k];
        EXPECT_GE(h.mBytesReceived, whole);
        EXPECT_LT(h.mBytesReceived, whole + NodeConnectionClient::kReceiveBlockBytes + kRecordSizes[k]);
    }
}

// The simulator streams SE2's records with its own index, 1; this client was
// told of SE2 alone, so the index names none of its objects.
TEST(KovaneStreamsTest, RecordsNamingNoKnownObjectAreCountedAsRejected) {
    SimServer sim({"--stream-rate", "2000", "--objects", "SE1:SEScAcqEnt,SE2:SEScAcqEnt", "--reply",
                   "-RequestQuorvexObjects=0 SE2", "--reply", "-RequestQuorvexTypes=0 SEScAcqEnt"});
    ASSERT_TRUE(sim.Started());
    KovaneClient client(sim.QueryPort(), sim.CommandPort());
    ASSERT_TRUE(client.Connect("localhost", true));
    KindRecords seen[6];
    RegisterAll(client, seen);
    std::vector<std::string> objects, types;
    ASSERT_TRUE(client.GetObjectsAndTypes(objects, types));
    ASSERT_TRUE(client.OpenStream("SE2", "SEScAcqEnt"));
    EXPECT_TRUE(Eventually([&] { return client.GetStreamHealth(StreamKind::SE).mRecordsRejected >= 20; }));
    ASSERT_TRUE(client.Disconnect());

    const StreamHealth h = client.GetStreamHealth(StreamKind::SE);
    EXPECT_EQ(h.mRecordsDelivered, 0u);
    EXPECT_GE(h.mBytesReceived, h.mRecordsRejected * 112);
    EXPECT_LT(h.mBytesReceived, h.mRecordsRejected * 112 + NodeConnectionClient::kReceiveBlockBytes + 112);
    std::lock_guard<std::mutex> lock(seen[0].lock);
    EXPECT_EQ(seen[0].count, 0u);
}

// A stream whose connection the server closed reads as down, while the
// client itself has done nothing.
TEST(KovaneStreamsTest, AStreamTheServerClosedReadsAsDown) {
    std::optional<SimServer> sim(std::in_place);
    ASSERT_TRUE(sim->Started());
    KovaneClient client(sim->QueryPort(), sim->CommandPort());
    ASSERT_TRUE(client.Connect("localhost", true));
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(kKindNames[k]);
        EXPECT_TRUE(Eventually([&] { return client.GetStreamHealth(kKinds[k]).mConnected; }));
    }
    sim.reset();  // the server goes, and with it every data connection
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(kKindNames[k]);
        EXPECT_TRUE(Eventually([&] { return !client.GetStreamHealth(kKinds[k]).mConnected; }));
    }
}
