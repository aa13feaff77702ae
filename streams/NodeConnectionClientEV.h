#pragma once
// The stream server of event records (184 bytes each).
// Event records carry no source field: each goes to the first event object
// (the empty name while none is known) and none is ever rejected.
#include "streams/NodeConnectionClient.h"

class NodeConnectionClientEV : public NodeConnectionClient {
public:
    static constexpr int kRecordSize = 184;

    NodeConnectionClientEV();
    ~NodeConnectionClientEV() override;

    void SetCallbackFunctionEV(StreamCallbackFunction callback, void* context) override;
    void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                              const std::vector<std::string>& dataTypes) override;

protected:
    void ExecuteCallback() override;

private:
    SharedSnapshot<StreamCallbackPair> mCallback;  // mCallbackContext, mCallbackFunction
};
