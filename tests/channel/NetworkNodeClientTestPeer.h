#pragma once
// Reaches the state that only the stream set-up sets, so the shutdown's
// closing of known streams can be driven before that set-up exists.
#include <string>
#include <vector>

#include "channel/NetworkNodeClient.h"

struct NetworkNodeClientTestPeer {
    static void SetKnownStreams(NetworkNodeClient& client, std::vector<std::string> names,
                                std::vector<std::string> types) {
        client.mObjectNames = std::move(names);
        client.mDataTypes = std::move(types);
        client.mStreamsInitialized = true;
    }
    static platform::Socket Socket(const NetworkNodeClient& client) { return client.mSocket; }
};
