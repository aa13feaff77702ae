#pragma once
// The stream server of tetrode spike records (304 bytes each).
// The spike channel number at bytes 8 to 11 selects the source among all
// spike objects (single electrode, stereotrode and tetrode together), in the
// server's order.
#include "streams/NodeConnectionClient.h"

class NodeConnectionClientTT : public NodeConnectionClient {
public:
    static constexpr int kRecordSize = 304;

    NodeConnectionClientTT();
    ~NodeConnectionClientTT() override;

    void SetCallbackFunctionTT(StreamCallbackFunction callback, void* context) override;
    void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                              const std::vector<std::string>& dataTypes) override;

protected:
    void ExecuteCallback() override;

private:
    SharedSnapshot<StreamCallbackPair> mCallback;  // mCallbackContext, mCallbackFunction
};
