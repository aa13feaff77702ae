#pragma once
// The server's end of one command connection, played by the test: it
// listens on a free loopback port, accepts one client, reads its framed
// messages and answers each with the next scripted step, bytes exactly as
// given. What the client sent is kept, frame by frame, as it came.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sockets.h"

namespace testsupport {

class ScriptedPeer {
public:
    struct Step {
        std::vector<unsigned char> bytes;  // sent after one whole frame has been read
        int segment = 0;                   // > 0: sent in pieces of this many bytes
        enum class Then { Stay, Close, Reset } then = Then::Stay;
    };

    ScriptedPeer();
    ~ScriptedPeer();

    int Port() const { return mPort; }

    // Steps are taken in order, one per frame received; after the last the
    // peer keeps reading (and recording) without answering.
    void Then(Step step);
    void ThenText(const std::string& text);  // a well-formed text reply
    void ThenClose();                        // read a frame, answer nothing, close
    // A frame of the given header fields and payload, as raw bytes.
    static std::vector<unsigned char> Frame(int version, unsigned validation, int size,
                                            const std::vector<unsigned char>& payload);
    static std::vector<unsigned char> TextFrame(const std::string& text);

    // The frames received so far, each as its raw bytes; waits until at least
    // count have come (or the connection has ended).
    std::vector<std::vector<unsigned char>> Frames(size_t count);
    std::vector<std::string> Texts(size_t count);  // their payloads as text

private:
    void Serve();
    bool ReadFrame(platform::Socket s, std::vector<unsigned char>& frame);

    platform::Socket mListener = platform::kInvalidSocket;
    platform::Socket mConnection = platform::kInvalidSocket;
    int mPort = 0;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::deque<Step> mSteps;
    std::vector<std::vector<unsigned char>> mFrames;
    bool mEnded = false;
    bool mStopping = false;
    std::thread mThread;
};

}  // namespace testsupport
