// The six record decoders over random object lists and records, through the
// real UpdateObjectNameList and ExecuteCallback, as the receive thread calls
// them (without its socket): every record reaches the callback with the name
// its source field selects, or is dropped when the field selects none.
//
// Input: byte 0 the kind; byte 1 switches the context (bit 0) or the callback
// (bit 1) off and swaps in a second list half way (bit 2); bytes 2 and 3 the
// number of object names and of data types (up to 31 each); one byte per data
// type picks it from the six names and a few near misses; the rest are the
// records, back to back, the last one filled up with zeros.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "log/ClientLogFile.h"
#include "streams/NodeConnectionClientCSC.h"
#include "streams/NodeConnectionClientEV.h"
#include "streams/NodeConnectionClientSE.h"
#include "streams/NodeConnectionClientST.h"
#include "streams/NodeConnectionClientTT.h"
#include "streams/NodeConnectionClientVT.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

const char* const kTypeChoices[] = {"SEScAcqEnt", "STScAcqEnt", "TTScAcqEnt", "CscAcqEnt", "EventAcqEnt",
                                    "VTAcqEnt",   "cscacqent",  "TTScAcqEn",  "",          "VTAcqEnt "};
constexpr int kTypeChoiceCount = sizeof kTypeChoices / sizeof kTypeChoices[0];
constexpr int kMaxRecords = 16;

enum class Field { Spike, Channel, Tracker, None };

// Reaches the protected receive-thread side of one kind: the record slot
// and ExecuteCallback.
template <class Kind>
class Decoder : public Kind {
public:
    void Feed(const unsigned char* record) {
        this->mRecord = record;
        this->ExecuteCallback();
        this->mRecord = nullptr;
    }
};

struct KindUnderTest {
    std::unique_ptr<NodeConnectionClient> server;
    void (*feed)(NodeConnectionClient&, const unsigned char*);
    void (NodeConnectionClient::*slot)(StreamCallbackFunction, void*);
    std::vector<std::string> types;
    Field field;
};

template <class Kind>
KindUnderTest Make(void (NodeConnectionClient::*slot)(StreamCallbackFunction, void*), std::vector<std::string> types,
                   Field field) {
    return {std::make_unique<Decoder<Kind>>(),
            [](NodeConnectionClient& s, const unsigned char* r) { static_cast<Decoder<Kind>&>(s).Feed(r); }, slot,
            std::move(types), field};
}

KindUnderTest MakeKind(int which) {
    const std::vector<std::string> spike{"SEScAcqEnt", "STScAcqEnt", "TTScAcqEnt"};
    switch (which % 6) {
        case 0: return Make<NodeConnectionClientSE>(&NodeConnectionClient::SetCallbackFunctionSE, spike, Field::Spike);
        case 1: return Make<NodeConnectionClientST>(&NodeConnectionClient::SetCallbackFunctionST, spike, Field::Spike);
        case 2: return Make<NodeConnectionClientTT>(&NodeConnectionClient::SetCallbackFunctionTT, spike, Field::Spike);
        case 3:
            return Make<NodeConnectionClientCSC>(&NodeConnectionClient::SetCallbackFunctionCSC, {"CscAcqEnt"},
                                                 Field::Channel);
        case 4:
            return Make<NodeConnectionClientEV>(&NodeConnectionClient::SetCallbackFunctionEV, {"EventAcqEnt"},
                                                Field::None);
        default:
            return Make<NodeConnectionClientVT>(&NodeConnectionClient::SetCallbackFunctionVT, {"VTAcqEnt"},
                                                Field::Tracker);
    }
}

struct Calls {
    int count = 0;
    const unsigned char* record = nullptr;
    int recordCount = 0;
    std::string name;
};

void Collect(void* context, const unsigned char* record, int recordCount, std::string objectName) {
    auto* calls = static_cast<Calls*>(context);
    ++calls->count;
    calls->record = record;
    calls->recordCount = recordCount;
    calls->name = std::move(objectName);
}

// The names a kind keeps, chosen here apart from the decoders' own code.
std::vector<std::string> Expected(const KindUnderTest& kind, const std::vector<std::string>& names,
                                  const std::vector<std::string>& types) {
    std::vector<std::string> kept;
    for (size_t i = 0; i < names.size() && i < types.size(); ++i) {
        for (const std::string& t : kind.types) {
            if (types[i] == t) kept.push_back(names[i]);
        }
    }
    return kept;
}

// The name a record selects, or false when it selects none.
bool Select(const KindUnderTest& kind, const std::vector<std::string>& kept, const unsigned char* r,
            std::string& name) {
    std::int64_t index = 0;
    switch (kind.field) {
        case Field::None:
            name = kept.empty() ? std::string() : kept.front();
            return true;
        case Field::Tracker: index = r[2] | (r[3] << 8); break;
        case Field::Spike:
        case Field::Channel:
            index = static_cast<std::int32_t>(static_cast<std::uint32_t>(r[8]) | static_cast<std::uint32_t>(r[9]) << 8 |
                                              static_cast<std::uint32_t>(r[10]) << 16 |
                                              static_cast<std::uint32_t>(r[11]) << 24);
            break;
    }
    if (index < 0 || index >= static_cast<std::int64_t>(kept.size())) return false;
    name = kept[static_cast<size_t>(index)];
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    KindUnderTest kind = MakeKind(data[0]);
    const bool contextOff = (data[1] & 1) != 0;
    const bool callbackOff = (data[1] & 2) != 0;
    const bool swapHalfWay = (data[1] & 4) != 0;
    const size_t nameCount = data[2] % 32;
    const size_t typeCount = data[3] % 32;
    size_t at = 4;

    std::vector<std::string> names, types;
    for (size_t i = 0; i < nameCount; ++i) names.push_back("obj" + std::to_string(i));
    for (size_t i = 0; i < typeCount && at < size; ++i) types.push_back(kTypeChoices[data[at++] % kTypeChoiceCount]);
    // The second list: the same types in reverse, other names.
    std::vector<std::string> names2, types2(types.rbegin(), types.rend());
    for (size_t i = 0; i < nameCount; ++i) names2.push_back("second" + std::to_string(i));

    // A rejected record's line is formed and written, to nowhere.
    static ClientLogFile log;
    static const bool logOpen = log.OpenLogFile("/dev/null") == 0;
    (void)logOpen;

    Calls calls;
    NodeConnectionClient& server = *kind.server;
    server.SetLogFile(log);
    server.UpdateObjectNameList(names, types);
    (server.*kind.slot)(callbackOff ? nullptr : &Collect, contextOff ? nullptr : &calls);
    std::vector<std::string> kept = Expected(kind, names, types);
    FUZZ_CHECK(server.GetSourceNames() == kept);

    const int recordSize = server.GetRecordSize();
    std::vector<unsigned char> record(static_cast<size_t>(recordSize));
    for (int n = 0; n < kMaxRecords && (n == 0 || at < size); ++n) {
        if (swapHalfWay && n == kMaxRecords / 4) {
            server.UpdateObjectNameList(names2, types2);
            kept = Expected(kind, names2, types2);
        }
        std::fill(record.begin(), record.end(), 0);
        const size_t take = std::min(size - at, record.size());
        if (take > 0) std::memcpy(record.data(), data + at, take);
        at += take;

        const int before = calls.count;
        kind.feed(server, record.data());
        std::string expected;
        const bool delivered = !contextOff && !callbackOff && Select(kind, kept, record.data(), expected);
        FUZZ_CHECK(calls.count == before + (delivered ? 1 : 0));
        if (delivered) {
            FUZZ_CHECK(calls.record == record.data());
            FUZZ_CHECK(calls.recordCount == 1);
            FUZZ_CHECK(calls.name == expected);
        }
    }
    return 0;
}
