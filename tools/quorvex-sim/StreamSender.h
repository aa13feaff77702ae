#pragma once
// One live data stream of a session: the connection quorvex-sim opens to the
// client's listening port after "-CreateStream", and the thread that sends
// the records of the objects opened on it, whole and back to back, with no
// header. Records go round the open objects in turn, at a rate per stream
// or as fast as the connection takes them.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sockets.h"
#include "tools/quorvex-sim/StreamRecords.h"

namespace sim {

class StreamSender {
public:
    using Clock = std::function<std::int64_t()>;  // microseconds, for the records
    using Say = std::function<void(const std::string&)>;

    // recordsPerSecond 0 sends as fast as possible. With resetAfter 0 or
    // more, the stream sends that many records, then half of the next one,
    // and resets its connection.
    StreamSender(const StreamKindInfo& kind, double recordsPerSecond, Clock clock, Say say,
                 std::int64_t resetAfter = -1);
    ~StreamSender();

    StreamSender(const StreamSender&) = delete;
    StreamSender& operator=(const StreamSender&) = delete;

    // Connects and starts the sending thread; 0, or the Windows Sockets error.
    int Connect(const platform::Ipv4Address& address, std::uint16_t port);
    // Starts sending records of the object (again opening it does nothing).
    void Open(const std::string& name, std::uint32_t index);
    // Stops sending them; its sequence goes on from where it stopped.
    void Close(const std::string& name);
    // Ends the thread and the connection.
    void Stop();

    const StreamKindInfo& Kind() const { return mKind; }
    std::uint64_t RecordsSent() const { return mSent; }

private:
    struct Object {
        std::string name;
        std::uint32_t index;
        std::uint32_t sequence;
        bool open;
    };

    void Run();
    // Fills buffer with up to count records of the open objects; how many.
    int FillBatch(std::vector<unsigned char>& buffer, int count);
    bool SendAll(const unsigned char* data, std::size_t length);
    // Half a record, then an abortive close of the connection.
    void ResetMidRecord(std::vector<unsigned char>& buffer);

    const StreamKindInfo& mKind;
    const double mRate;
    const Clock mClock;
    const Say mSay;
    const std::int64_t mResetAfter;
    // Written before the thread starts and after it ends, and by the thread
    // itself under mLock when it resets the connection.
    platform::Socket mSocket = platform::kInvalidSocket;
    std::thread mThread;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::vector<Object> mObjects;  // every object ever opened, open or not
    std::size_t mNext = 0;         // round robin over the open ones
    std::uint64_t mOpenChanges = 0;
    bool mStop = false;
    std::atomic<std::uint64_t> mSent{0};
};

}  // namespace sim
