#pragma once
// Fixtures of the stream server tests: a log read back from its file, a peer
// that plays the acquisition server's side of a stream connection, records
// made to order, and a callback that collects what it is handed.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "log/ClientLogFile.h"
#include "platform/Sockets.h"

namespace streamtest {

// Long enough that only a stuck thread runs past it; it keeps a broken test
// from hanging the run, it measures nothing.
constexpr auto kStuck = std::chrono::seconds(20);

// Polls pred until it holds or kStuck has passed; true when it held.
bool WaitUntil(const std::function<bool()>& pred);

struct LogEntry {
    std::string level;  // "NOTICE", "ERROR", ...
    std::string text;
    bool operator==(const LogEntry&) const = default;
};

// A ClientLogFile open on a file of its own, read back entry by entry.
class LogCapture {
public:
    explicit LogCapture(const std::string& name);
    ~LogCapture();
    ClientLogFile& Log() { return mLog; }
    std::vector<LogEntry> Entries() const;
    std::vector<std::string> Texts() const;
    bool Contains(const std::string& text) const;
    // Waits until an entry with this text has been written.
    bool WaitFor(const std::string& text) const;

private:
    std::filesystem::path mPath;
    ClientLogFile mLog;
};

// The server's end of a stream connection: connects to a stream server on
// the loopback address and sends the bytes it is given.
class StreamPeer {
public:
    StreamPeer() = default;
    ~StreamPeer();
    bool Connect(int port);
    bool Send(const std::vector<unsigned char>& bytes);
    bool Send(const unsigned char* bytes, std::size_t length);
    void Close();

private:
    platform::Socket mSocket = platform::kInvalidSocket;
};

// A record of size bytes whose bytes all differ from one record to the next
// (they follow the sequence number), with a source field written on top.
std::vector<unsigned char> MakeRecord(int size, std::uint32_t sequence);
void PutInt32(std::vector<unsigned char>& record, std::size_t offset, std::int32_t value);
void PutUInt16(std::vector<unsigned char>& record, std::size_t offset, std::uint16_t value);
std::vector<unsigned char> Concat(const std::vector<std::vector<unsigned char>>& records);

struct Delivery {
    void* context;
    std::vector<unsigned char> bytes;
    int recordCount;
    std::string objectName;
};

// The context of Collect: every record handed to it, copied.
class Collector {
public:
    explicit Collector(int recordSize) : mRecordSize(recordSize) {}
    static void Collect(void* context, const unsigned char* record, int recordCount, std::string objectName);
    // Waits until count records have arrived.
    bool WaitForCount(std::size_t count);
    std::vector<Delivery> Deliveries() const;
    std::size_t Count() const;

private:
    const int mRecordSize;
    mutable std::mutex mLock;
    std::condition_variable mArrived;
    std::vector<Delivery> mDeliveries;
};

}  // namespace streamtest
