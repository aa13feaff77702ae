#pragma once
// The live data streams of one command connection: "-CreateStream" opens a
// connection to the client's stream listener for one data type, and
// "-OpenStream" / "-CloseStream" start and stop the records of one object on
// it. Everything this session started ends with it.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "tools/quorvex-sim/StreamSender.h"

namespace sim {

class SimServer;

class SessionStreams {
public:
    explicit SessionStreams(SimServer& server) : mServer(server) {}
    ~SessionStreams();

    // "address port type". A target that is not a loopback address is
    // replaced by 127.0.0.1 unless the simulator was told otherwise; either
    // way the output says where the stream went.
    void Create(const std::string& arguments);
    // "name type"
    void Open(const std::string& arguments);
    void Close(const std::string& arguments);

private:
    SimServer& mServer;
    std::mutex mLock;
    std::map<std::string, std::unique_ptr<StreamSender>> mSenders;  // by data type
};

}  // namespace sim
