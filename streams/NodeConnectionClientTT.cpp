#include "streams/NodeConnectionClientTT.h"

#include "streams/DataTypes.h"
#include "streams/RecordSource.h"

namespace {
const char* const kInvalidSource =
    "NodeConnectionClientTT::ExecuteCallback() - Error, we have encountered an invalid spike channel number from our kovane buffer.  scNumber: %i";
}  // namespace

NodeConnectionClientTT::NodeConnectionClientTT() : NodeConnectionClient(kRecordSize, "Tetrode") {}

NodeConnectionClientTT::~NodeConnectionClientTT() { StopReceiving(); }

void NodeConnectionClientTT::SetCallbackFunctionTT(StreamCallbackFunction callback, void* context) {
    mCallback.Publish(StreamCallbackPair{context, callback});
}

void NodeConnectionClientTT::UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                                  const std::vector<std::string>& dataTypes) {
    ReplaceSourceNames(recordsource::SelectSourceNames(
        objectNames, dataTypes, {streamtypes::kSingleElectrode, streamtypes::kStereotrode, streamtypes::kTetrode}));
}

void NodeConnectionClientTT::ExecuteCallback() {
    const StreamCallbackPair callback = mCallback.Current();
    if (!callback.IsSet()) return;
    const std::int64_t scNumber = recordsource::ReadSpikeChannelNumber(mRecord);
    DeliverRecord(callback, CurrentSourceNames(), scNumber, kInvalidSource);
}
