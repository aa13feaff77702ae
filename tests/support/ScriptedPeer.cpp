#include "tests/support/ScriptedPeer.h"

#include <algorithm>
#include <chrono>

#include "channel/MessageFrame.h"
#include "channel/SendAll.h"

namespace testsupport {
namespace {

constexpr int kSliceMilliseconds = 20;
constexpr auto kPatience = std::chrono::seconds(20);  // a limit for a client that never sends

bool SendBytes(platform::Socket s, const unsigned char* data, int size) {
    return SendAll(data, size, [s](const unsigned char* d, int n) { return platform::Send(s, d, n); })
        .Complete(size);
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
    platform::SocketStartup(0x0101);
    mListener = platform::CreateTcpSocket();
    platform::Bind(mListener, {127, 0, 0, 1}, 0);
    platform::Listen(mListener, 1);
    mPort = platform::LocalPort(mListener);
    mThread = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> lock(mLock);
        mStopping = true;
    }
    mThread.join();
    if (mConnection != platform::kInvalidSocket) platform::CloseSocket(mConnection);
    platform::CloseSocket(mListener);
}

void ScriptedPeer::Then(Step step) {
    std::lock_guard<std::mutex> lock(mLock);
    mSteps.push_back(std::move(step));
}

void ScriptedPeer::ThenText(const std::string& text) { Then({TextFrame(text)}); }

void ScriptedPeer::ThenClose() { Then({{}, 0, Step::Then::Close}); }

std::vector<unsigned char> ScriptedPeer::Frame(int version, unsigned validation, int size,
                                               const std::vector<unsigned char>& payload) {
    std::vector<unsigned char> bytes(frame::kHeaderSize);
    frame::WriteHeader(bytes.data(), size, version, validation);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

std::vector<unsigned char> ScriptedPeer::TextFrame(const std::string& text) { return frame::EncodeTextFrame(text); }

// Waits in short slices, so the destructor can stop the peer on any system.
void ScriptedPeer::Serve() {
    const auto stopping = [this] {
        std::lock_guard<std::mutex> lock(mLock);
        return mStopping;
    };
    while (!stopping()) {
        if (platform::WaitReadable(mListener, kSliceMilliseconds) == 1) {
            mConnection = platform::Accept(mListener);
            break;
        }
    }
    while (mConnection != platform::kInvalidSocket && !stopping()) {
        if (platform::WaitReadable(mConnection, kSliceMilliseconds) != 1) continue;
        std::vector<unsigned char> received;
        if (!ReadFrame(mConnection, received)) break;
        Step step;
        bool answer = false;
        {
            std::lock_guard<std::mutex> lock(mLock);
            mFrames.push_back(std::move(received));
            if (!mSteps.empty()) {
                step = std::move(mSteps.front());
                mSteps.pop_front();
                answer = true;
            }
        }
        mChanged.notify_all();
        if (!answer) continue;
        const int piece = step.segment > 0 ? step.segment : static_cast<int>(step.bytes.size());
        for (size_t at = 0; at < step.bytes.size(); at += static_cast<size_t>(piece)) {
            const int n = std::min(piece, static_cast<int>(step.bytes.size() - at));
            SendBytes(mConnection, step.bytes.data() + at, n);
            if (step.segment > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (step.then != Step::Then::Stay) {
            if (step.then == Step::Then::Reset) platform::SetAbortiveClose(mConnection);
            platform::CloseSocket(mConnection);
            mConnection = platform::kInvalidSocket;
        }
    }
    std::lock_guard<std::mutex> lock(mLock);
    mEnded = true;
    mChanged.notify_all();
}

bool ScriptedPeer::ReadFrame(platform::Socket s, std::vector<unsigned char>& frameBytes) {
    const auto readExactly = [s](unsigned char* buffer, int size) {
        for (int got = 0; got < size;) {
            const int n = platform::Receive(s, buffer + got, size - got);
            if (n <= 0) return false;
            got += n;
        }
        return true;
    };
    frameBytes.resize(frame::kHeaderSize);
    if (!readExactly(frameBytes.data(), frame::kHeaderSize)) return false;
    const int size = std::max(0, static_cast<int>(frame::ReadInt32(frameBytes.data() + 8)));
    frameBytes.resize(static_cast<size_t>(frame::kHeaderSize + size));
    return readExactly(frameBytes.data() + frame::kHeaderSize, size);
}

std::vector<std::vector<unsigned char>> ScriptedPeer::Frames(size_t count) {
    std::unique_lock<std::mutex> lock(mLock);
    mChanged.wait_for(lock, kPatience, [&] { return mFrames.size() >= count || mEnded; });
    return mFrames;
}

std::vector<std::string> ScriptedPeer::Texts(size_t count) {
    std::vector<std::string> texts;
    for (const auto& f : Frames(count)) {
        texts.push_back(frame::PayloadText(f.data() + frame::kHeaderSize, static_cast<int>(f.size()) - frame::kHeaderSize));
    }
    return texts;
}

}  // namespace testsupport
