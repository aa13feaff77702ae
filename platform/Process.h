#pragma once
// A child program for tests and tools: started with its arguments, its
// standard output read line by line with a time-out, killed and waited for.
// Standard input and standard error are the parent's own.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// The folder of the running program, ending in its separator.
std::string ProgramDirectory();

// A program's file name on this system: name.exe on Windows, name elsewhere.
std::string ExecutableName(const std::string& name);

class ChildProcess {
public:
    ChildProcess();
    // Kills a child still running and waits for it.
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program (a path) with the arguments, each passed as one argument
    // whatever blanks or quotes it holds. False when it could not be started.
    bool Start(const std::string& program, const std::vector<std::string>& arguments);

    // The next line of the child's standard output, without its line end.
    // False when none came within the time-out (negative: wait for ever) or
    // the output has ended; a last line without a line end still counts.
    bool ReadLine(std::string& line, int timeoutMilliseconds);

    // Ends the child at once; true when it was running and has been told to end.
    bool Kill();
    // Waits for the child to end and returns its exit code (-1 when none was
    // started, 128 + the signal for one killed by a signal).
    int Wait();

private:
    struct Native;  // the system's handles, win32/ or posix/

    int ReadOutput(char* buffer, int size);  // 0 at the end of the output
    void StartReader();
    void ReaderLoop();
    void JoinReader();

    std::unique_ptr<Native> mNative;
    std::thread mReader;
    std::mutex mLock;
    std::condition_variable mArrived;
    std::deque<std::string> mLines;
    std::string mPartial;
    bool mOutputEnded = false;
};

}  // namespace platform
