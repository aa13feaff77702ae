#pragma once
// Bytes taken from the command socket ahead of need. A reply frame arrives
// as one piece on the wire, and reading it as header start, size and payload
// would cost three receives; with this store one receive usually brings the
// whole frame in, and the rest is handed out from here. A receive still
// returns what has arrived, so nothing waits for bytes it does not need.
#include <cstring>

class ReceiveStore {
public:
    static constexpr int kCapacity = 4096;

    int Available() const { return mEnd - mStart; }
    // Copies up to size held bytes into out; returns how many.
    int Take(unsigned char* out, int size) {
        const int n = size < Available() ? size : Available();
        std::memcpy(out, mBytes + mStart, static_cast<size_t>(n));
        mStart += n;
        return n;
    }
    // Where a receive puts new bytes, and how many fit; only when empty.
    unsigned char* Space() { return mBytes; }
    void Filled(int count) {
        mStart = 0;
        mEnd = count;
    }
    // A connection's leftovers never reach the next connection.
    void Clear() { mStart = mEnd = 0; }

private:
    unsigned char mBytes[kCapacity];
    int mStart = 0;
    int mEnd = 0;
};
