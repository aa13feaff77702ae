#pragma once
// The stream server of single electrode spike records (112 bytes each).
// The spike channel number at bytes 8 to 11 selects the source among all
// spike objects (single electrode, stereotrode and tetrode together), in the
// server's order.
#include "streams/NodeConnectionClient.h"

class NodeConnectionClientSE : public NodeConnectionClient {
public:
    static constexpr int kRecordSize = 112;

    NodeConnectionClientSE();
    ~NodeConnectionClientSE() override;

    void SetCallbackFunctionSE(StreamCallbackFunction callback, void* context) override;
    void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                              const std::vector<std::string>& dataTypes) override;

protected:
    void ExecuteCallback() override;

private:
    SharedSnapshot<StreamCallbackPair> mCallback;  // mCallbackContext, mCallbackFunction
};
