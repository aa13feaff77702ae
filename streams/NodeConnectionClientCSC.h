#pragma once
// The stream server of continuously sampled channel records (1044 bytes each).
// The channel number at bytes 8 to 11 selects the source among the
// continuously sampled channels, in the server's order.
#include "streams/NodeConnectionClient.h"

class NodeConnectionClientCSC : public NodeConnectionClient {
public:
    static constexpr int kRecordSize = 1044;

    NodeConnectionClientCSC();
    ~NodeConnectionClientCSC() override;

    void SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context) override;
    void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                              const std::vector<std::string>& dataTypes) override;

protected:
    void ExecuteCallback() override;

private:
    SharedSnapshot<StreamCallbackPair> mCallback;  // mCallbackContext, mCallbackFunction
};
