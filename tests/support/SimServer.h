#pragma once
// Starts quorvex-sim for a test, on ports the system hands out, and reads
// back the ports it chose and the commands it received.
#include <deque>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace testsupport {

struct ReceivedCommand {
    int connection = 0;  // numbered from 1 in the order the server accepted them
    int port = 0;        // the port the connection came in on
    std::string text;
};

class SimServer {
public:
    // Extra options go to quorvex-sim as they are (--fault, --reply, ...).
    explicit SimServer(const std::vector<std::string>& options = {});
    ~SimServer();

    bool Started() const { return mStarted; }
    int QueryPort() const { return mQueryPort; }      // -1: off
    int CommandPort() const { return mCommandPort; }  // -1: off

    // The next command the server received; false when none came in time.
    bool NextCommand(ReceivedCommand& command, int timeoutMilliseconds = 20000);
    // The texts of the next count commands (fewer when they did not come).
    std::vector<std::string> NextCommands(int count);
    // The next line the live data streams wrote ("stream SE connected to
    // ..."); the commands read meanwhile wait for NextCommand.
    bool NextStreamLine(std::string& line, int timeoutMilliseconds = 20000);

    // Ends the server at once, as a crash would (no reply finished, no
    // socket closed in order), and waits until its sockets are gone.
    void Kill();

    static std::string ProgramPath();

private:
    // Reads one more line of output into mCommandLines or mStreamLines.
    bool ReadOutputLine(int timeoutMilliseconds);

    platform::ChildProcess mProcess;
    std::deque<std::string> mCommandLines;
    std::deque<std::string> mStreamLines;
    bool mStarted = false;
    int mQueryPort = -1;
    int mCommandPort = -1;
};

}  // namespace testsupport
