#pragma once
// The simulator's listeners and what every connection shares: options,
// clock, object list and the command log. Each accepted connection runs as a
// SimSession on a thread of its own, so several clients are served at once.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Sockets.h"
#include "tools/quorvex-sim/SimOptions.h"

namespace sim {

class SimServer {
public:
    explicit SimServer(SimOptions options);

    // Opens the listeners the options ask for; false with the reason in error.
    bool Start(std::string& error);
    // Serves until the lifetime runs out (or for ever).
    void Run();

    int QueryPort() const { return mQueryPort; }      // -1: off
    int CommandPort() const { return mCommandPort; }  // -1: off
    const SimOptions& Options() const { return mOptions; }

    // The clock of "-GetTimestamp", in microseconds.
    std::int64_t Timestamp() const;
    // A command port opened for one client of the port-query port: it takes
    // one connection and closes. -1 when none could be opened.
    int OpenPortForOneClient();
    // A port that was free a moment ago, for a stream listener of the client.
    int FreePort();
    int NextConnectionId();
    void LogCommand(int connection, int port, const std::string& text);
    // A line about the live data streams on standard output, never inside
    // another line of the command log.
    void Say(const std::string& text);
    double StreamRate(const std::string& kindCode) const;

private:
    platform::Socket OpenListener(int port, int& boundPort);
    void AcceptLoop(platform::Socket listener, int port, bool queryPort, bool once);
    void StartSession(platform::Socket connection, int port, bool queryPort);

    SimOptions mOptions;
    platform::Ipv4Address mBindAddress{127, 0, 0, 1};
    platform::Socket mQueryListener = platform::kInvalidSocket;
    platform::Socket mCommandListener = platform::kInvalidSocket;
    int mQueryPort = -1;
    int mCommandPort = -1;
    std::int64_t mStartMicroseconds = 0;
    std::mutex mLock;
    int mConnections = 0;
};

}  // namespace sim
