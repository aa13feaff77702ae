#pragma once
// One client connection of the simulator: reads framed commands, answers
// each through the command table (or an override), and puts the configured
// faults into the replies. The live data streams the connection asked for
// belong to it and end with it.
#include <map>
#include <string>
#include <vector>

#include "platform/Sockets.h"
#include "tools/quorvex-sim/SessionStreams.h"

namespace sim {

class SimServer;

class SimSession {
public:
    SimSession(SimServer& server, platform::Socket socket, int connectionId, int listenPort, bool queryPort);
    ~SimSession();

    // Serves the connection until the client closes it or a fault ends it.
    void Run();

    SimServer& Server() { return mServer; }
    bool OnQueryPort() const { return mQueryPort; }

    SessionStreams& Streams() { return mStreams; }

private:
    bool ReadFrame(std::vector<unsigned char>& payload);
    bool ReadExactly(unsigned char* buffer, int size);
    // False when the reply's fault has ended the connection.
    bool SendReply(const std::string& word, const std::vector<unsigned char>& payload);
    bool SendBytes(const unsigned char* data, int size);

    SimServer& mServer;
    platform::Socket mSocket;
    int mConnectionId;
    int mListenPort;
    bool mQueryPort;
    std::map<std::string, int> mCommandCounts;  // per word, and "" for all
    SessionStreams mStreams;
};

}  // namespace sim
