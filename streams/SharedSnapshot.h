#pragma once
// A value that the owner's threads replace whole while one receive thread reads
// it for every record. Publish swaps in a new immutable copy under a small lock;
// the reader keeps the copy it last took and takes the lock only after a
// Publish, so a record sees the old value or the new one, never a torn one, and
// the lock is never held while a record is delivered.
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

template <class T>
class SharedSnapshot {
public:
    SharedSnapshot() : mValue(std::make_shared<const T>()) {}

    SharedSnapshot(const SharedSnapshot&) = delete;
    SharedSnapshot& operator=(const SharedSnapshot&) = delete;

    // Any thread. The old value lives on for as long as a reader still holds it.
    void Publish(T value) {
        std::shared_ptr<const T> next = std::make_shared<const T>(std::move(value));
        std::lock_guard<std::mutex> lock(mLock);
        mValue.swap(next);
        mGeneration.fetch_add(1, std::memory_order_release);
    }

    // Any thread: the value as it stands.
    std::shared_ptr<const T> Load() const {
        std::lock_guard<std::mutex> lock(mLock);
        return mValue;
    }

    // The one reading thread only. The reference stays valid until that thread
    // calls Current again, whatever is published meanwhile; between Publishes
    // it costs one atomic load and allocates nothing.
    const T& Current() {
        const unsigned generation = mGeneration.load(std::memory_order_acquire);
        if (!mHeld || generation != mSeen) {
            mHeld = Load();
            mSeen = generation;
        }
        return *mHeld;
    }

private:
    mutable std::mutex mLock;
    std::shared_ptr<const T> mValue;
    std::atomic<unsigned> mGeneration{0};
    std::shared_ptr<const T> mHeld;  // the reader's copy
    unsigned mSeen = 0;
};
