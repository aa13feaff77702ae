#include "streams/NodeConnectionClientSE.h"

#include "streams/DataTypes.h"
#include "streams/RecordSource.h"

namespace {
const char* const kInvalidSource =
    "NodeConnectionClientSE::ExecuteCallback() - Error, we have encountered an invalid spike channel number from our kovane buffer.  scNumber: %i";
}  // namespace

NodeConnectionClientSE::NodeConnectionClientSE() : NodeConnectionClient(kRecordSize, "SingleElectrode") {}

NodeConnectionClientSE::~NodeConnectionClientSE() { StopReceiving(); }

void NodeConnectionClientSE::SetCallbackFunctionSE(StreamCallbackFunction callback, void* context) {
    mCallback.Publish(StreamCallbackPair{context, callback});
}

void NodeConnectionClientSE::UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                                  const std::vector<std::string>& dataTypes) {
    ReplaceSourceNames(recordsource::SelectSourceNames(
        objectNames, dataTypes, {streamtypes::kSingleElectrode, streamtypes::kStereotrode, streamtypes::kTetrode}));
}

void NodeConnectionClientSE::ExecuteCallback() {
    const StreamCallbackPair callback = mCallback.Current();
    if (!callback.IsSet()) return;
    const std::int64_t scNumber = recordsource::ReadSpikeChannelNumber(mRecord);
    DeliverRecord(callback, CurrentSourceNames(), scNumber, kInvalidSource);
}
