#include "streams/NodeConnectionClientEV.h"

#include "streams/DataTypes.h"
#include "streams/RecordSource.h"

NodeConnectionClientEV::NodeConnectionClientEV() : NodeConnectionClient(kRecordSize, "Event") {}

NodeConnectionClientEV::~NodeConnectionClientEV() { StopReceiving(); }

void NodeConnectionClientEV::SetCallbackFunctionEV(StreamCallbackFunction callback, void* context) {
    mCallback.Publish(StreamCallbackPair{context, callback});
}

void NodeConnectionClientEV::UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                                  const std::vector<std::string>& dataTypes) {
    ReplaceSourceNames(recordsource::SelectSourceNames(objectNames, dataTypes, {streamtypes::kEvent}));
}

void NodeConnectionClientEV::ExecuteCallback() {
    const StreamCallbackPair callback = mCallback.Current();
    if (!callback.IsSet()) return;
    static const std::string kNoEventObject;
    const std::vector<std::string>& names = CurrentSourceNames();
    callback.mCallbackFunction(callback.mCallbackContext, mRecord, 1, names.empty() ? kNoEventObject : names.front());
}
