#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "streams/NodeConnectionClientCSC.h"
#include "streams/NodeConnectionClientEV.h"
#include "streams/NodeConnectionClientSE.h"
#include "streams/NodeConnectionClientST.h"
#include "streams/NodeConnectionClientTT.h"
#include "streams/NodeConnectionClientVT.h"
#include "streams/RecordSource.h"
#include "tests/streams/StreamTestSupport.h"

using namespace streamtest;

namespace {

using Slot = void (NodeConnectionClient::*)(StreamCallbackFunction, void*);
enum class Field { SpikeChannel, Channel, TrackerId, None };

struct Kind {
    const char* label;
    std::function<std::unique_ptr<NodeConnectionClient>()> make;
    Slot slot;
    Field field;
};

template <class T>
std::unique_ptr<NodeConnectionClient> Make() {
    return std::make_unique<T>();
}

const Kind kSE{"SE", Make<NodeConnectionClientSE>, &NodeConnectionClient::SetCallbackFunctionSE, Field::SpikeChannel};
const Kind kST{"ST", Make<NodeConnectionClientST>, &NodeConnectionClient::SetCallbackFunctionST, Field::SpikeChannel};
const Kind kTT{"TT", Make<NodeConnectionClientTT>, &NodeConnectionClient::SetCallbackFunctionTT, Field::SpikeChannel};
const Kind kCSC{"CSC", Make<NodeConnectionClientCSC>, &NodeConnectionClient::SetCallbackFunctionCSC, Field::Channel};
const Kind kEV{"EV", Make<NodeConnectionClientEV>, &NodeConnectionClient::SetCallbackFunctionEV, Field::None};
const Kind kVT{"VT", Make<NodeConnectionClientVT>, &NodeConnectionClient::SetCallbackFunctionVT, Field::TrackerId};
const Kind* const kAllKinds[] = {&kSE, &kST, &kTT, &kCSC, &kEV, &kVT};
const Slot kAllSlots[] = {&NodeConnectionClient::SetCallbackFunctionSE, &NodeConnectionClient::SetCallbackFunctionST,
                          &NodeConnectionClient::SetCallbackFunctionTT, &NodeConnectionClient::SetCallbackFunctionCSC,
                          &NodeConnectionClient::SetCallbackFunctionEV, &NodeConnectionClient::SetCallbackFunctionVT};

const std::vector<std::string> kExampleNames{"Sc1", "TT1", "CSC1", "TT2", "Events", "VT1"};
const std::vector<std::string> kExampleTypes{"SEScAcqEnt", "TTScAcqEnt", "CscAcqEnt",
                                             "TTScAcqEnt", "EventAcqEnt", "VTAcqEnt"};

std::vector<unsigned char> RecordWithSource(const NodeConnectionClient& server, Field field, std::int64_t source,
                                            std::uint32_t sequence) {
    auto record = MakeRecord(server.GetRecordSize(), sequence);
    if (field == Field::SpikeChannel || field == Field::Channel) PutInt32(record, 8, static_cast<std::int32_t>(source));
    if (field == Field::TrackerId) PutUInt16(record, 2, static_cast<std::uint16_t>(source));
    return record;
}

// Runs records with the given source fields through a stream server of the
// kind, with the callback registered by register_, until the peer has closed
// and every record has been dealt with.
struct StreamRun {
    std::vector<Delivery> deliveries;
    std::vector<std::string> errors;
    std::vector<std::vector<unsigned char>> sent;
};

StreamRun Stream(const Kind& kind, const std::vector<std::string>& names, const std::vector<std::string>& types,
           const std::vector<std::int64_t>& sources,
           const std::function<void(NodeConnectionClient&, Collector&)>& register_) {
    StreamRun run;
    LogCapture log(std::string("decoders-") + kind.label);
    auto server = kind.make();
    Collector collector(server->GetRecordSize());
    server->SetLogFile(log.Log());
    server->UpdateObjectNameList(names, types);
    register_(*server, collector);
    EXPECT_TRUE(server->InitServerStream(0));
    StreamPeer peer;
    EXPECT_TRUE(peer.Connect(server->GetListeningPort()));
    for (std::size_t i = 0; i < sources.size(); ++i) {
        run.sent.push_back(RecordWithSource(*server, kind.field, sources[i], static_cast<std::uint32_t>(i)));
    }
    EXPECT_TRUE(peer.Send(Concat(run.sent)));
    peer.Close();
    EXPECT_TRUE(log.WaitFor("NodeConnectionClient::RecieveData() - Attempt to recieve data has failed, socket has "
                            "been closed gracefully.  mStreamType: " +
                            server->GetStreamType()));
    server->CloseServerStream();
    run.deliveries = collector.Deliveries();
    for (const LogEntry& e : log.Entries()) {
        if (e.level == "ERROR" && e.text.find("ExecuteCallback") != std::string::npos) run.errors.push_back(e.text);
    }
    return run;
}

void RegisterOwnSlot(const Kind& kind, NodeConnectionClient& server, Collector& collector) {
    (server.*kind.slot)(&Collector::Collect, &collector);
}

std::string Spike(const char* kind, const char* number) {
    return std::string("NodeConnectionClient") + kind +
           "::ExecuteCallback() - Error, we have encountered an invalid spike channel number from our kovane "
           "buffer.  scNumber: " +
           number;
}
std::string Channel(const char* number) {
    return std::string("NodeConnectionClientCSC::ExecuteCallback() - Error, we have encountered an invalid channel "
                       "number from our kovane buffer.  chanNumber: ") +
           number;
}
std::string Tracker(const char* id) {
    return std::string("NodeConnectionClientVT::ExecuteCallback() - Error, we have encountered an invalid video "
                       "tracker ID from our kovane buffer.  id: ") +
           id;
}

TEST(RecordDecodersTest, KindsHaveTheirSizesAndNames) {
    struct Case {
        const Kind* kind;
        int size;
        const char* type;
    };
    for (const Case& c : {Case{&kSE, 112, "SingleElectrode"}, Case{&kST, 176, "Stereotrode"},
                          Case{&kTT, 304, "Tetrode"}, Case{&kCSC, 1044, "CSC"}, Case{&kEV, 184, "Event"},
                          Case{&kVT, 1828, "Video"}}) {
        const auto server = c.kind->make();
        EXPECT_EQ(server->GetRecordSize(), c.size);
        EXPECT_EQ(server->GetStreamType(), c.type);
    }
}

TEST(RecordDecodersTest, EachKindKeepsItsObjectsFromTheServersLists) {
    struct Case {
        const Kind* kind;
        std::vector<std::string> names;
    };
    const Case cases[] = {{&kSE, {"Sc1", "TT1", "TT2"}}, {&kST, {"Sc1", "TT1", "TT2"}}, {&kTT, {"Sc1", "TT1", "TT2"}},
                          {&kCSC, {"CSC1"}},             {&kEV, {"Events"}},          {&kVT, {"VT1"}}};
    for (const Case& c : cases) {
        auto server = c.kind->make();
        server->UpdateObjectNameList(kExampleNames, kExampleTypes);
        EXPECT_EQ(server->GetSourceNames(), c.names) << c.kind->label;
        // Replaced whole by the next lists, lower-case types matching nothing.
        server->UpdateObjectNameList({"X", "Y"}, {"cscacqent", "ttscacqent"});
        EXPECT_TRUE(server->GetSourceNames().empty()) << c.kind->label;
    }
}

TEST(RecordDecodersTest, SourceFieldsSelectTheNameOrRejectTheRecordWithItsLine) {
    struct Case {
        const Kind* kind;
        std::vector<std::string> names, types;
        std::vector<std::int64_t> sources;
        std::vector<std::string> delivered;
        std::vector<std::string> rejected;
    };
    const std::vector<std::string> none;
    const Case cases[] = {
        // Spike numbers count through the spike objects of all three kinds.
        {&kSE, kExampleNames, kExampleTypes, {1, 0, 3, -1}, {"TT1", "Sc1"}, {Spike("SE", "3"), Spike("SE", "-1")}},
        {&kST, kExampleNames, kExampleTypes, {2, 5}, {"TT2"}, {Spike("ST", "5")}},
        {&kTT, kExampleNames, kExampleTypes, {2, INT32_MIN}, {"TT2"}, {Spike("TT", "-2147483648")}},
        {&kCSC, kExampleNames, kExampleTypes, {0, 1, -1}, {"CSC1"}, {Channel("1"), Channel("-1")}},
        {&kVT, kExampleNames, kExampleTypes, {0, 1, 65535}, {"VT1"}, {Tracker("1"), Tracker("65535")}},
        {&kEV, kExampleNames, kExampleTypes, {0, 0}, {"Events", "Events"}, {}},
        // Before any list has come, only event records get through.
        {&kVT, none, none, {0}, {}, {Tracker("0")}},
        {&kSE, none, none, {0}, {}, {Spike("SE", "0")}},
        {&kEV, none, none, {0}, {""}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind->label);
        const StreamRun run = Stream(*c.kind, c.names, c.types, c.sources,
                               [&](NodeConnectionClient& s, Collector& k) { RegisterOwnSlot(*c.kind, s, k); });
        std::vector<std::string> names;
        for (const Delivery& d : run.deliveries) {
            names.push_back(d.objectName);
            EXPECT_EQ(d.recordCount, 1);
        }
        EXPECT_EQ(names, c.delivered);
        EXPECT_EQ(run.errors, c.rejected);
        // Delivered records are the ones sent, untouched.
        std::size_t next = 0;
        for (const Delivery& d : run.deliveries) {
            while (next < run.sent.size() && run.sent[next] != d.bytes) ++next;
            EXPECT_LT(next, run.sent.size()) << "a delivered record that was never sent";
        }
    }
}

TEST(RecordDecodersTest, AKindActsOnlyOnItsOwnSlotAndNeedsBothCallbackAndContext) {
    for (const Kind* kind : kAllKinds) {
        SCOPED_TRACE(kind->label);
        // Records that would be delivered and records that would be rejected.
        const std::vector<std::int64_t> sources{0, 99};
        const auto registerElsewhere = [&](NodeConnectionClient& s, Collector& k) {
            for (Slot slot : kAllSlots) {
                if (slot != kind->slot) (s.*slot)(&Collector::Collect, &k);
            }
        };
        const StreamRun otherSlots = Stream(*kind, kExampleNames, kExampleTypes, sources, registerElsewhere);
        EXPECT_TRUE(otherSlots.deliveries.empty());
        EXPECT_TRUE(otherSlots.errors.empty());

        const StreamRun nullContext = Stream(*kind, kExampleNames, kExampleTypes, sources,
                                       [&](NodeConnectionClient& s, Collector&) {
                                           (s.*kind->slot)(&Collector::Collect, nullptr);
                                       });
        EXPECT_TRUE(nullContext.deliveries.empty());
        EXPECT_TRUE(nullContext.errors.empty());

        // Registered and then switched off again with a null callback.
        const StreamRun switchedOff = Stream(*kind, kExampleNames, kExampleTypes, sources,
                                       [&](NodeConnectionClient& s, Collector& k) {
                                           (s.*kind->slot)(&Collector::Collect, &k);
                                           (s.*kind->slot)(nullptr, &k);
                                       });
        EXPECT_TRUE(switchedOff.deliveries.empty());
        EXPECT_TRUE(switchedOff.errors.empty());
    }
}

// Two callbacks, each of which must only ever see its own context, swapped
// in again and again together with two name lists while records arrive.
struct Tagged {
    int tag;
    std::atomic<long> calls{0};
    std::atomic<long> mismatches{0};
};
std::atomic<long> gWrongNames{0};

template <int Tag>
void TaggedCallback(void* context, const unsigned char* record, int count, std::string name) {
    auto* self = static_cast<Tagged*>(context);
    ++self->calls;
    if (self->tag != Tag || count != 1) ++self->mismatches;
    // Lists "A0 A1" and "B0 B1": the digit must match the record's number.
    const std::int32_t sc = recordsource::ReadSpikeChannelNumber(record);
    if (name.size() != 2 || (name[0] != 'A' && name[0] != 'B') || name[1] != static_cast<char>('0' + sc)) {
        ++gWrongNames;
    }
}

TEST(RecordDecodersTest, CallbacksAndNamesReplacedWhileRecordsArriveAreNeverMixed) {
    LogCapture log("swap");
    NodeConnectionClientSE server;
    server.SetLogFile(log.Log());
    const std::vector<std::string> listA{"A0", "A1"}, listB{"B0", "B1"};
    const std::vector<std::string> types{"SEScAcqEnt", "TTScAcqEnt"};
    Tagged a, b;
    a.tag = 1;
    b.tag = 2;
    server.UpdateObjectNameList(listA, types);
    server.SetCallbackFunctionSE(&TaggedCallback<1>, &a);
    ASSERT_TRUE(server.InitServerStream(0));
    StreamPeer peer;
    ASSERT_TRUE(peer.Connect(server.GetListeningPort()));

    constexpr int kRecords = 200000;
    std::atomic<bool> sending{true};
    std::thread swapper([&] {
        for (int i = 0; sending; ++i) {
            if (i % 2) {
                server.SetCallbackFunctionSE(&TaggedCallback<2>, &b);
                server.UpdateObjectNameList(listB, types);
            } else {
                server.SetCallbackFunctionSE(&TaggedCallback<1>, &a);
                server.UpdateObjectNameList(listA, types);
            }
            std::this_thread::yield();
        }
    });
    std::vector<unsigned char> block;
    for (int i = 0; i < kRecords; ++i) {
        auto record = MakeRecord(NodeConnectionClientSE::kRecordSize, static_cast<std::uint32_t>(i));
        PutInt32(record, 8, i % 2);
        block.insert(block.end(), record.begin(), record.end());
        if (block.size() > 100000 || i + 1 == kRecords) {
            ASSERT_TRUE(peer.Send(block));
            block.clear();
        }
    }
    peer.Close();
    EXPECT_TRUE(log.WaitFor("NodeConnectionClient::RecieveData() - Attempt to recieve data has failed, socket has "
                            "been closed gracefully.  mStreamType: SingleElectrode"));
    sending = false;
    swapper.join();
    server.CloseServerStream();
    EXPECT_EQ(a.calls + b.calls, kRecords);
    EXPECT_EQ(a.mismatches + b.mismatches, 0);
    EXPECT_EQ(gWrongNames, 0);
}

}  // namespace
