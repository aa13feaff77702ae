#pragma once
// What quorvex-sim is told on its command line: ports, address, names,
// clock, command log, reply overrides and faults.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct SimObject {
    std::string name;
    std::string dataType;
};

// A fault applies to the replies to one command word, or to every reply when
// command is empty; a stream fault to the streams of one kind ("SE", ...) or
// to all of them.
struct SimFault {
    enum class Kind {
        Version,          // the reply frame carries this version
        Validation,       // ... this validation code
        Size,             // ... this message size and no payload
        Cut,              // only the first value bytes of the reply frame, then the connection closes
        Segments,         // the reply frame in pieces of value bytes, each sent on its own
        CloseAt,          // the connection closes, unanswered, at the value-th matching command
        TimestampStatus,  // "-GetTimestamp" answers with this status
        Silent,           // the command is read and never answered; the connection stays open
        Announce,         // a header announcing value bytes, a few of them, then nothing; the connection stays open
        Raw,              // the reply's payload alone, without its frame
        StreamReset,      // after value records a stream sends half a record and resets (command: a kind, or all)
    };
    Kind kind;
    std::int64_t value = 0;
    std::string command;
};

struct SimOptions {
    int queryPort = 26200;    // -1: off
    int commandPort = 26100;  // -1: off
    std::string bindAddress = "127.0.0.1";
    std::string applicationName = "Quorvex Simulator";
    std::vector<SimObject> objects;
    bool clockFromStart = false;  // microseconds since the simulator started, not since the Unix epoch
    std::string logFile;          // "-": standard output; empty: no command log
    std::map<std::string, std::vector<unsigned char>> replies;  // exact overrides, raw payloads
    std::vector<SimFault> faults;
    int lifetimeSeconds = 0;  // 0: runs until it is killed
    // Records per second on each live data stream, 0 as fast as possible;
    // by kind ("SE", ..., "VT") where given, streamRate otherwise.
    double streamRate = 1000;
    std::map<std::string, double> streamRates;
    bool streamAnyAddress = false;  // connect streams to any address, not only loopback
    bool help = false;
};

// False, with the reason in error, when the command line cannot be used.
bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error);

std::string UsageText();

std::vector<SimObject> DefaultObjects();

}  // namespace sim
