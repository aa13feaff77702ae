#include "platform/Process.h"

#include <chrono>

namespace platform {

// The reader thread turns the child's output into lines as it arrives, so a
// child that writes a lot never blocks on a full pipe while nobody reads.
void ChildProcess::StartReader() {
    {
        std::lock_guard<std::mutex> lock(mLock);
        mLines.clear();
        mPartial.clear();
        mOutputEnded = false;
    }
    mReader = std::thread([this] { ReaderLoop(); });
}

void ChildProcess::ReaderLoop() {
    char buffer[4096];
    for (;;) {
        const int n = ReadOutput(buffer, sizeof buffer);
        std::lock_guard<std::mutex> lock(mLock);
        if (n <= 0) {
            if (!mPartial.empty()) mLines.push_back(std::move(mPartial));
            mPartial.clear();
            mOutputEnded = true;
            mArrived.notify_all();
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                if (!mPartial.empty() && mPartial.back() == '\r') mPartial.pop_back();
                mLines.push_back(std::move(mPartial));
                mPartial.clear();
            } else {
                mPartial += buffer[i];
            }
        }
        mArrived.notify_all();
    }
}

void ChildProcess::JoinReader() {
    if (mReader.joinable()) mReader.join();
}

bool ChildProcess::ReadLine(std::string& line, int timeoutMilliseconds) {
    std::unique_lock<std::mutex> lock(mLock);
    const auto ready = [this] { return !mLines.empty() || mOutputEnded; };
    if (timeoutMilliseconds < 0) {
        mArrived.wait(lock, ready);
    } else if (!mArrived.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds), ready)) {
        return false;
    }
    if (mLines.empty()) return false;
    line = std::move(mLines.front());
    mLines.pop_front();
    return true;
}

}  // namespace platform
