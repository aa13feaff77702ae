#pragma once
// One client connection of the simulator: reads framed commands, answers
// each through the command table (or an override), and puts the configured
// faults into the replies. What a connection has asked for is kept here, so
// that streaming can later be added per session.
#include <map>
#include <string>
#include <vector>

#include "platform/Sockets.h"

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

    // What "-CreateStream" and "-OpenStream" have asked for on this
    // connection. Sending the records is the streaming work's: connect to each
    // target and send fixed-size records of the opened objects of its kind.
    struct StreamTarget {
        std::string address;
        int port = 0;
        std::string dataType;
    };
    std::vector<StreamTarget> mStreams;
    std::map<std::string, int> mOpenObjects;  // object name -> opens not yet closed

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
};

}  // namespace sim
