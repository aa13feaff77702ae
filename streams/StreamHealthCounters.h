#pragma once
// The figures of one stream server's health, counted on its receive thread
// and read by the application's threads while records arrive. Relaxed
// atomics: the record path takes no lock and no locked instruction (the
// receive thread is the only writer, and one thread's successor starts only
// after it was joined), and a reader sees each figure whole, though figures
// read one after the other may be a record apart.
#include <atomic>
#include <cstdint>

#include <kovane/StreamHealth.h>

class StreamHealthCounters {
public:
    void SetConnected(bool connected) { mConnected.store(connected, std::memory_order_relaxed); }
    void AddBytes(int count) { Add(mBytesReceived, static_cast<std::uint64_t>(count)); }
    void AddDelivered() { Add(mRecordsDelivered, 1); }
    void AddRejected() { Add(mRecordsRejected, 1); }

    StreamHealth Read() const {
        StreamHealth health;
        health.mConnected = mConnected.load(std::memory_order_relaxed);
        health.mRecordsDelivered = mRecordsDelivered.load(std::memory_order_relaxed);
        health.mRecordsRejected = mRecordsRejected.load(std::memory_order_relaxed);
        health.mBytesReceived = mBytesReceived.load(std::memory_order_relaxed);
        return health;
    }

private:
    // One writer: a plain load and store, no read-modify-write.
    static void Add(std::atomic<std::uint64_t>& figure, std::uint64_t amount) {
        figure.store(figure.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
    }

    std::atomic<bool> mConnected{false};
    std::atomic<std::uint64_t> mRecordsDelivered{0};
    std::atomic<std::uint64_t> mRecordsRejected{0};
    std::atomic<std::uint64_t> mBytesReceived{0};
};
