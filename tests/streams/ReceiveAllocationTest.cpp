// The receive path allocates nothing per record. This program replaces the
// global operator new with one that counts the allocations made on the
// receive thread once it has delivered its first record.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "streams/NodeConnectionClientCSC.h"
#include "tests/streams/StreamTestSupport.h"
#include "tests/support/ReplacedNew.h"

namespace {
thread_local bool tCounting = false;
std::atomic<long> gAllocations{0};
}  // namespace

void OnTestAllocation(std::size_t) {
    if (tCounting) ++gAllocations;
}

using namespace streamtest;

namespace {

std::atomic<long> gDelivered{0};

void CountOnThisThread(void*, const unsigned char*, int, std::string) {
    tCounting = true;
    ++gDelivered;
}

TEST(ReceiveAllocationTest, RecordsAndNamesOfUpTo15CharactersCostNoAllocation) {
    ASSERT_EQ(platform::SocketStartup(0x0101), 0);
    LogCapture log("alloc");
    NodeConnectionClientCSC server;
    server.SetLogFile(log.Log());
    static int context;
    server.SetCallbackFunctionCSC(&CountOnThisThread, &context);
    server.UpdateObjectNameList({"fifteen_chars_0", "fifteen_chars_1"}, {"CscAcqEnt", "CscAcqEnt"});
    ASSERT_TRUE(server.InitServerStream(0));
    StreamPeer peer;
    ASSERT_TRUE(peer.Connect(server.GetListeningPort()));

    auto sendRecords = [&](int count) {
        std::vector<unsigned char> bytes;
        for (int i = 0; i < count; ++i) {
            auto record = MakeRecord(NodeConnectionClientCSC::kRecordSize, static_cast<std::uint32_t>(i));
            PutInt32(record, 8, i % 2);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        // Odd pieces, so records straddle receives.
        for (std::size_t at = 0; at < bytes.size(); at += 3001) {
            ASSERT_TRUE(peer.Send(bytes.data() + at, std::min<std::size_t>(3001, bytes.size() - at)));
        }
    };

    sendRecords(1);
    ASSERT_TRUE(WaitUntil([] { return gDelivered == 1; }));
    gAllocations = 0;
    sendRecords(5000);
    ASSERT_TRUE(WaitUntil([] { return gDelivered == 5001; }));
    EXPECT_EQ(gAllocations, 0);

    // The counter does see the receive thread: a 16-character name no longer
    // fits the string's own buffer, and each copy of it allocates.
    server.UpdateObjectNameList({"sixteen_chars_00", "sixteen_chars_01"}, {"CscAcqEnt", "CscAcqEnt"});
    sendRecords(10);
    ASSERT_TRUE(WaitUntil([] { return gDelivered == 5011; }));
    EXPECT_GE(gAllocations, 10);
    server.CloseServerStream();
}

}  // namespace
