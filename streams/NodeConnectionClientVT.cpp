#include "streams/NodeConnectionClientVT.h"

#include "streams/DataTypes.h"
#include "streams/RecordSource.h"

namespace {
const char* const kInvalidSource =
    "NodeConnectionClientVT::ExecuteCallback() - Error, we have encountered an invalid video tracker ID from our kovane buffer.  id: %i";
}  // namespace

NodeConnectionClientVT::NodeConnectionClientVT() : NodeConnectionClient(kRecordSize, "Video") {}

NodeConnectionClientVT::~NodeConnectionClientVT() { StopReceiving(); }

void NodeConnectionClientVT::SetCallbackFunctionVT(StreamCallbackFunction callback, void* context) {
    mCallback.Publish(StreamCallbackPair{context, callback});
}

void NodeConnectionClientVT::UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                                  const std::vector<std::string>& dataTypes) {
    ReplaceSourceNames(recordsource::SelectSourceNames(objectNames, dataTypes, {streamtypes::kVideoTracker}));
}

void NodeConnectionClientVT::ExecuteCallback() {
    const StreamCallbackPair callback = mCallback.Current();
    if (!callback.IsSet()) return;
    const std::int64_t id = recordsource::ReadVideoTrackerId(mRecord);
    DeliverRecord(callback, CurrentSourceNames(), id, kInvalidSource);
}
