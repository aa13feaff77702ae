#pragma once
// The stream server of video tracker records (1828 bytes each).
// The tracker id at bytes 2 to 3 selects the source among the video
// trackers, in the server's order.
#include "streams/NodeConnectionClient.h"

class NodeConnectionClientVT : public NodeConnectionClient {
public:
    static constexpr int kRecordSize = 1828;

    NodeConnectionClientVT();
    ~NodeConnectionClientVT() override;

    void SetCallbackFunctionVT(StreamCallbackFunction callback, void* context) override;
    void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                              const std::vector<std::string>& dataTypes) override;

protected:
    void ExecuteCallback() override;

private:
    SharedSnapshot<StreamCallbackPair> mCallback;  // mCallbackContext, mCallbackFunction
};
