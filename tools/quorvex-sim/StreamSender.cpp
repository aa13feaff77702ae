#include "tools/quorvex-sim/StreamSender.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sim {
namespace {

using SteadyClock = std::chrono::steady_clock;
// Bytes sent at once as fast as possible, and the tick of a paced stream.
constexpr int kBatchBytes = 64 * 1024;
constexpr auto kTick = std::chrono::milliseconds(5);

}  // namespace

StreamSender::StreamSender(const StreamKindInfo& kind, double recordsPerSecond, Clock clock, Say say,
                           std::int64_t resetAfter)
    : mKind(kind), mRate(recordsPerSecond), mClock(std::move(clock)), mSay(std::move(say)), mResetAfter(resetAfter) {}

StreamSender::~StreamSender() { Stop(); }

int StreamSender::Connect(const platform::Ipv4Address& address, std::uint16_t port) {
    const platform::Socket s = platform::CreateTcpSocket();
    if (s == platform::kInvalidSocket) return platform::LastSocketError();
    if (platform::Connect(s, address, port) != 0) {
        const int code = platform::LastSocketError();
        platform::CloseSocket(s);
        return code;
    }
    mSocket = s;
    mThread = std::thread(&StreamSender::Run, this);
    return 0;
}

void StreamSender::Open(const std::string& name, std::uint32_t index) {
    {
        std::lock_guard<std::mutex> lock(mLock);
        auto found = std::find_if(mObjects.begin(), mObjects.end(), [&](const Object& o) { return o.name == name; });
        if (found == mObjects.end()) {
            mObjects.push_back({name, index, 0, true});
        } else {
            found->open = true;
        }
        ++mOpenChanges;
    }
    mChanged.notify_all();
}

void StreamSender::Close(const std::string& name) {
    std::lock_guard<std::mutex> lock(mLock);
    for (Object& o : mObjects) {
        if (o.name == name) o.open = false;
    }
    ++mOpenChanges;
}

void StreamSender::Stop() {
    {
        std::lock_guard<std::mutex> lock(mLock);
        mStop = true;
        // A send blocked on a full connection returns once it is shut down.
        // Under the lock: a reset of the thread's own may close it meanwhile.
        if (mSocket != platform::kInvalidSocket) platform::ShutdownSocket(mSocket);
    }
    mChanged.notify_all();
    if (mThread.joinable()) mThread.join();
    if (mSocket != platform::kInvalidSocket) platform::CloseSocket(mSocket);
    mSocket = platform::kInvalidSocket;
}

void StreamSender::ResetMidRecord(std::vector<unsigned char>& buffer) {
    if (FillBatch(buffer, 1) == 1) SendAll(buffer.data(), static_cast<std::size_t>(mKind.recordSize / 2));
    // An abortive close throws away what is still unsent: give the records
    // and the half record time to reach the client first.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard<std::mutex> lock(mLock);
    if (mStop) return;  // Stop closes it
    platform::SetAbortiveClose(mSocket);
    platform::CloseSocket(mSocket);
    mSocket = platform::kInvalidSocket;
    mSay(std::string("stream ") + mKind.code + " reset after " + std::to_string(mResetAfter) +
         " records, in the middle of a record");
}

int StreamSender::FillBatch(std::vector<unsigned char>& buffer, int count) {
    std::lock_guard<std::mutex> lock(mLock);
    int filled = 0;
    const std::size_t objects = mObjects.size();
    for (std::size_t tried = 0; filled < count && tried < objects;) {
        Object& o = mObjects[mNext % objects];
        mNext = (mNext + 1) % objects;
        if (!o.open) {
            ++tried;
            continue;
        }
        tried = 0;
        FillRecord(mKind, buffer.data() + static_cast<std::size_t>(filled) * mKind.recordSize, o.index,
                   o.sequence++, mClock());
        ++filled;
    }
    return filled;
}

bool StreamSender::SendAll(const unsigned char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const int n = platform::Send(mSocket, data + sent, static_cast<int>(length - sent));
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Paced streams keep to their rate from the moment an object opens: a
// stream that had nothing to send owes no records for that time.
void StreamSender::Run() {
    const int batch = std::max(1, kBatchBytes / mKind.recordSize);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(batch) * mKind.recordSize);
    auto paceStart = SteadyClock::now();
    std::uint64_t pacedSent = 0;
    std::uint64_t seenChanges = ~std::uint64_t(0);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mLock);
            mChanged.wait(lock, [&] {
                return mStop ||
                       std::any_of(mObjects.begin(), mObjects.end(), [](const Object& o) { return o.open; });
            });
            if (mStop) return;
            if (seenChanges != mOpenChanges) {
                seenChanges = mOpenChanges;
                paceStart = SteadyClock::now();
                pacedSent = 0;
            }
        }
        int want = batch;
        if (mRate > 0) {
            const double elapsed = std::chrono::duration<double>(SteadyClock::now() - paceStart).count();
            const auto due = static_cast<std::uint64_t>(std::floor(elapsed * mRate)) + 1;
            if (due <= pacedSent) {
                std::unique_lock<std::mutex> lock(mLock);
                mChanged.wait_for(lock, kTick, [&] { return mStop; });
                continue;
            }
            want = static_cast<int>(std::min<std::uint64_t>(due - pacedSent, static_cast<std::uint64_t>(batch)));
        }
        if (mResetAfter >= 0) {
            const std::int64_t left = mResetAfter - static_cast<std::int64_t>(mSent);
            if (left <= 0) {
                ResetMidRecord(buffer);
                return;
            }
            want = static_cast<int>(std::min<std::int64_t>(want, left));
        }
        const int filled = FillBatch(buffer, want);
        if (filled == 0) continue;
        if (!SendAll(buffer.data(), static_cast<std::size_t>(filled) * mKind.recordSize)) {
            bool stopping;
            {
                std::lock_guard<std::mutex> lock(mLock);
                stopping = mStop;
            }
            if (!stopping) mSay(std::string("stream ") + mKind.code + " ended: the client closed its connection");
            return;
        }
        pacedSent += static_cast<std::uint64_t>(filled);
        mSent += static_cast<std::uint64_t>(filled);
    }
}

}  // namespace sim
