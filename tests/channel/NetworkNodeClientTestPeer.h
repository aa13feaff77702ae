#pragma once
// Reaches into the client for what its public face does not show: the state
// the stream set-up leaves, its stream servers, and its internal parsers.
#include <array>
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

    // The stream servers in set-up order: SE, ST, TT, CSC, VT, EV.
    static std::array<NodeConnectionClient*, 6> StreamServers(NetworkNodeClient& client) {
        return client.StreamServers();
    }
    static const std::vector<std::string>& ObjectNames(const NetworkNodeClient& c) { return c.mObjectNames; }
    static const std::vector<std::string>& DataTypes(const NetworkNodeClient& c) { return c.mDataTypes; }
    static bool StreamsInitialized(const NetworkNodeClient& c) { return c.mStreamsInitialized; }
    static std::vector<std::string> ParseList(const std::string& text) {
        std::vector<std::string> list{"left over"};
        NetworkNodeClient::ParseList(text, list);
        return list;
    }
    static std::string GetLocalIPAddress(NetworkNodeClient& c) { return c.GetLocalIPAddress(); }
};
