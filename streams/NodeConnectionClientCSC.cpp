#include "streams/NodeConnectionClientCSC.h"

#include "streams/DataTypes.h"
#include "streams/RecordSource.h"

namespace {
const char* const kInvalidSource =
    "NodeConnectionClientCSC::ExecuteCallback() - Error, we have encountered an invalid channel number from our kovane buffer.  chanNumber: %i";
}  // namespace

NodeConnectionClientCSC::NodeConnectionClientCSC() : NodeConnectionClient(kRecordSize, "CSC") {}

NodeConnectionClientCSC::~NodeConnectionClientCSC() { StopReceiving(); }

void NodeConnectionClientCSC::SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context) {
    mCallback.Publish(StreamCallbackPair{context, callback});
}

void NodeConnectionClientCSC::UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                                   const std::vector<std::string>& dataTypes) {
    ReplaceSourceNames(recordsource::SelectSourceNames(objectNames, dataTypes, {streamtypes::kContinuousChannel}));
}

void NodeConnectionClientCSC::ExecuteCallback() {
    const StreamCallbackPair callback = mCallback.Current();
    if (!callback.IsSet()) return;
    const std::int64_t chanNumber = recordsource::ReadChannelNumber(mRecord);
    DeliverRecord(callback, CurrentSourceNames(), chanNumber, kInvalidSource);
}
