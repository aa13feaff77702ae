#pragma once
// The client's diagnostic log: one file shared by the message channel and the
// six stream threads. Closed until a user of the client opens it; entries
// written while closed are dropped. Each entry is one CR LF line, tagged with
// its level and the local time, formed and flushed under mLock.
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

#include "log/LogLevel.h"
#include "platform/Clock.h"

class ClientLogFile {
public:
    using Clock = std::function<platform::LocalTime()>;

    ClientLogFile();
    // The clock is the log's time source, replaceable so that the formats can
    // be checked at chosen instants.
    explicit ClientLogFile(Clock clock);
    virtual ~ClientLogFile();

    ClientLogFile(const ClientLogFile&) = delete;
    ClientLogFile& operator=(const ClientLogFile&) = delete;

    // 0 when the file is open and its two opening lines are written; -1 when it
    // cannot be opened (the log is then closed). An open file is closed first.
    int OpenLogFile(const std::string& fileName);
    // 0 when a file was open and has been closed with its closing line; -1 otherwise.
    int CloseLogFile();
    // 0 when the entry was handed to the open file; -1 when no file is open.
    int WriteLogEntry(LogLevel level, const std::string& message);

    // The text of the most recent failed open, which the log tells no one.
    std::string LastOpenError() const;

    static std::string GetLevelTag(LogLevel level);

private:
    int WriteLine(const std::string& text);
    int CloseLocked();
    std::string GetTimeStamp() const;

    std::string mClassName;
    std::string mFileName;
    std::ofstream mLogStream;
    mutable std::mutex mLock;
    Clock mClock;
    std::string mLastOpenError;
};
