#include "streams/NodeConnectionClient.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "log/Format.h"
#include "platform/Thread.h"
#include "streams/StreamSocketErrors.h"

namespace {

// How often a receive thread waiting for the server's connection looks at its
// stop flag. Waking a blocked accept by closing its socket is not reliable on
// every system, so the accept waits in slices instead.
constexpr int kAcceptSliceMilliseconds = 50;
// How long CloseServerStream waits before it writes its wait line; it goes on
// waiting after that, since the thread's fields must outlive the thread.
constexpr auto kThreadEndWait = std::chrono::milliseconds(500);
// The system's code for a wait that could never end: the receive thread
// waiting for itself (ERROR_POSSIBLE_DEADLOCK).
constexpr int kWaitOnItselfError = 1131;

const char* const kClosedGracefully =
    "NodeConnectionClient::RecieveData() - Attempt to recieve data has failed, socket has been closed gracefully.  "
    "mStreamType: %s";
const char* const kThreadTerminated =
    "NodeConnectionClient::CloseServerStream() - mDmaProcessor thread has been terminated successfully.";
const char* const kThreadNotTerminated =
    "NodeConnectionClient::CloseServerStream() - Error, mDmaProcessor thread was unable to terminate. lastError: %i";
const char* const kWaitFailed =
    "NodeConnectionClient::CloseServerStream() - Error, call to WaitForSingleObject() failed for thread "
    "mDmaProcessor. lastError: %i";
const char* const kWaitCompleted =
    "NodeConnectionClient::CloseServerStream() - WaitForSingleObject for mDmaProcessor thread completed successfully.";
const char* const kBufferFailed =
    "NodeConnectionClient::CreateRecieveBuffer() - Error memory allocating failed, a null value was returned.  "
    "mRecvBufferSize: %i, mStreamType: %s";
const char* const kThreadFailed =
    "NodeConnectionClient::InitServerStream() - Error, unable to create new thread, AfxBeginThread() returned a "
    "null.  mStreamType: %s";
const char* const kAddAttempt =
    "NodeConnectionClient::AddStreamObject() - Notice, Attempting to add object to our stream list, objectName: %s, "
    "mStreamType %s.";
const char* const kAddIncremented =
    "NodeConnectionClient::AddStreamObject() - Notice, Stream Object is already in our list, count has been "
    "incremented.  count: %i, mStreamType %s.";
const char* const kAddAppended =
    "NodeConnectionClient::AddStreamObject() - Notice, Attempt to add stream object to our list was successful.  "
    "objectName: %s, mStreamType %s.";
const char* const kRemoveAttempt =
    "NodeConnectionClient::RemoveStreamObject() - Notice, Attempting to remove object from our stream list, "
    "objectName: %s, mStreamType %s.";
const char* const kRemoveDecremented =
    "NodeConnectionClient::RemoveStreamObject() - Notice, Stream Object count has been decremented.  count: %i, "
    "mStreamType %s.";
const char* const kRemoveRemoved =
    "NodeConnectionClient::RemoveStreamObject() - Notice, Stream Object count was zero, therefore object has been "
    "removed.  objectName: %s, mStreamType %s.";
const char* const kRemoveNotFound =
    "NodeConnectionClient::RemoveStreamObject() - Error, Attempt to remove object from our list failed, the object "
    "was not found.  objectName: %s, mStreamType %s.";

const platform::Ipv4Address kAnyAddress{0, 0, 0, 0};

}  // namespace

NodeConnectionClient::NodeConnectionClient(int recordSize, std::string streamType)
    : mRecordSize(recordSize), mStreamType(std::move(streamType)) {}

// The subclasses have stopped the thread already; what remains here are
// sockets of a start that failed part way, which would keep a port bound.
NodeConnectionClient::~NodeConnectionClient() { StopReceiving(); }

void NodeConnectionClient::SetCallbackFunctionSE(StreamCallbackFunction, void*) {}
void NodeConnectionClient::SetCallbackFunctionST(StreamCallbackFunction, void*) {}
void NodeConnectionClient::SetCallbackFunctionTT(StreamCallbackFunction, void*) {}
void NodeConnectionClient::SetCallbackFunctionCSC(StreamCallbackFunction, void*) {}
void NodeConnectionClient::SetCallbackFunctionEV(StreamCallbackFunction, void*) {}
void NodeConnectionClient::SetCallbackFunctionVT(StreamCallbackFunction, void*) {}

void NodeConnectionClient::SetLogFile(ClientLogFile& logFile) { mLogFile = &logFile; }

void NodeConnectionClient::WriteLogLine(LogLevel level, const std::string& text) {
    if (mLogFile != nullptr) mLogFile->WriteLogEntry(level, text);
}

bool NodeConnectionClient::InitServerStream(int portNumber) {
    // A callback cannot restart its own stream: the thread it runs on would
    // go on into a buffer that is being replaced.
    if (CalledFromReceiveThread()) {
        WriteLogLine(LogLevel::Error, FormatText(kThreadFailed, mStreamType.c_str()));
        return false;
    }
    if (HoldsServerStream()) CloseServerStream();
    mStopRequested = false;

    if (!CreateSocket()) return false;
    if (!BindSocket(portNumber)) return false;
    if (!ListenToSocket()) return false;
    if (!CreateRecieveBuffer()) return false;
    mPortNumber = portNumber;
    mBytesHeld = 0;

    {
        std::lock_guard<std::mutex> lock(mThreadStateLock);
        mThreadRunning = true;
    }
    try {
        mDmaProcessor = std::thread(&NodeConnectionClient::DmaProcessorThread, this);
    } catch (const std::system_error&) {
        MarkThreadEnded();
        WriteLogLine(LogLevel::Error, FormatText(kThreadFailed, mStreamType.c_str()));
        return false;
    }
    return true;
}

bool NodeConnectionClient::CreateSocket() {
    const platform::Socket s = platform::CreateTcpSocket();
    if (s == platform::kInvalidSocket) {
        WriteLogLine(LogLevel::Error, StreamSocketErrorLine(StreamSocketOperation::CreateSocket,
                                                            platform::LastSocketError(), mStreamType));
        return false;
    }
    mServerSocket = s;
    return true;
}

bool NodeConnectionClient::BindSocket(int portNumber) {
    const auto port = static_cast<std::uint16_t>(static_cast<unsigned>(portNumber) & 0xFFFFu);
    if (platform::Bind(mServerSocket, kAnyAddress, port) != 0) {
        WriteLogLine(LogLevel::Error, StreamSocketErrorLine(StreamSocketOperation::BindSocket,
                                                            platform::LastSocketError(), mStreamType));
        return false;
    }
    return true;
}

bool NodeConnectionClient::ListenToSocket() {
    if (platform::Listen(mServerSocket, 2) != 0) {
        WriteLogLine(LogLevel::Error, StreamSocketErrorLine(StreamSocketOperation::ListenToSocket,
                                                            platform::LastSocketError(), mStreamType));
        return false;
    }
    return true;
}

bool NodeConnectionClient::CreateRecieveBuffer() {
    mRecvBuffer.reset();
    const int records = std::max(1, kReceiveBlockBytes / mRecordSize);
    mRecvBufferSize = records * mRecordSize;
    mRecvBuffer.reset(new (std::nothrow) unsigned char[static_cast<size_t>(mRecvBufferSize)]);
    if (!mRecvBuffer) {
        WriteLogLine(LogLevel::Error, FormatText(kBufferFailed, mRecvBufferSize, mStreamType.c_str()));
        return false;
    }
    return true;
}

unsigned NodeConnectionClient::DmaProcessorThread(NodeConnectionClient* server) {
    platform::RaiseCurrentThreadPriority();
    if (server->AcceptClientSocket()) {
        while (server->RecieveData()) {
        }
    }
    server->MarkThreadEnded();
    return 0;
}

bool NodeConnectionClient::AcceptClientSocket() {
    const platform::Socket listener = mServerSocket;
    for (;;) {
        if (mStopRequested) return false;
        if (platform::WaitReadable(listener, kAcceptSliceMilliseconds) == 0) continue;
        if (mStopRequested) return false;
        // Readable or failed: the accept says which.
        const platform::Socket accepted = platform::Accept(listener);
        if (accepted == platform::kInvalidSocket) {
            const int code = platform::LastSocketError();
            if (mStopRequested) return false;
            WriteLogLine(LogLevel::Error,
                         StreamSocketErrorLine(StreamSocketOperation::AcceptClientSocket, code, mStreamType));
            return false;
        }
        mClientSocket = accepted;
        return true;
    }
}

// One receive per call, as much as the buffer has room for; every record it
// completes is delivered in place, and a trailing part of a record moves to
// the front of the buffer to be completed by the next receive.
bool NodeConnectionClient::RecieveData() {
    unsigned char* const buffer = mRecvBuffer.get();
    int received;
    for (;;) {
        if (mStopRequested) return false;
        received = platform::Receive(mClientSocket, buffer + mBytesHeld, mRecvBufferSize - mBytesHeld);
        if (received >= 0) break;
        const int code = platform::LastSocketError();
        if (mStopRequested) return false;
        // A signal interrupting the wait is no failure of the connection.
        if (code == platform::wsa::kInterrupted) continue;
        ProcessRecieveError(code);
        return false;
    }
    if (received == 0) {
        if (!mStopRequested) WriteLogLine(LogLevel::Notice, FormatText(kClosedGracefully, mStreamType.c_str()));
        return false;
    }

    const int held = mBytesHeld + received;
    int offset = 0;
    while (held - offset >= mRecordSize) {
        mRecord = buffer + offset;
        ExecuteCallback();
        offset += mRecordSize;
        if (mStopRequested) return false;
    }
    mRecord = nullptr;
    mBytesHeld = held - offset;
    if (offset > 0 && mBytesHeld > 0) std::memmove(buffer, buffer + offset, static_cast<size_t>(mBytesHeld));
    return true;
}

void NodeConnectionClient::DeliverRecord(const StreamCallbackPair& callback, const std::vector<std::string>& names,
                                         std::int64_t index, const char* rejectFormat) {
    if (index < 0 || static_cast<std::uint64_t>(index) >= names.size()) {
        WriteLogLine(LogLevel::Error, FormatText(rejectFormat, static_cast<int>(index)));
        return;
    }
    callback.mCallbackFunction(callback.mCallbackContext, mRecord, 1, names[static_cast<size_t>(index)]);
}

void NodeConnectionClient::ProcessRecieveError(int errorCode) {
    WriteLogLine(LogLevel::Error,
                 StreamSocketErrorLine(StreamSocketOperation::ProcessRecieveError, errorCode, mStreamType));
}

void NodeConnectionClient::ProcessCloseError(int errorCode) {
    WriteLogLine(LogLevel::Error,
                 StreamSocketErrorLine(StreamSocketOperation::ProcessCloseError, errorCode, mStreamType));
}

void NodeConnectionClient::MarkThreadEnded() {
    {
        std::lock_guard<std::mutex> lock(mThreadStateLock);
        mThreadRunning = false;
    }
    mThreadEndedSignal.notify_all();
}

bool NodeConnectionClient::IsReceiving() const {
    std::lock_guard<std::mutex> lock(mThreadStateLock);
    return mThreadRunning;
}

bool NodeConnectionClient::HoldsServerStream() const {
    return mDmaProcessor.joinable() || mServerSocket != platform::kInvalidSocket ||
           mClientSocket != platform::kInvalidSocket;
}

bool NodeConnectionClient::CalledFromReceiveThread() const {
    return mDmaProcessor.joinable() && mDmaProcessor.get_id() == std::this_thread::get_id();
}

int NodeConnectionClient::GetListeningPort() const {
    const platform::Socket s = mServerSocket;
    return s == platform::kInvalidSocket ? -1 : platform::LocalPort(s);
}

// The thread is never killed: shutting its sockets down makes its accept or
// receive return, and the stop flag keeps it from starting another. The
// listening socket is waited on in short slices, so it needs no wake-up on
// systems where shutting a listener down does not wake its accept.
bool NodeConnectionClient::WakeReceiveThread(int& errorCode) {
    mStopRequested = true;
    errorCode = 0;
    bool woken = true;
    const platform::Socket listener = mServerSocket;
    if (listener != platform::kInvalidSocket) platform::ShutdownSocket(listener);
    const platform::Socket connection = mClientSocket;
    if (connection != platform::kInvalidSocket && platform::ShutdownSocket(connection) != 0 && IsReceiving()) {
        errorCode = platform::LastSocketError();
        woken = false;
    }
    return woken;
}

void NodeConnectionClient::CloseServerStream() {
    if (mDmaProcessor.joinable()) {
        int errorCode = 0;
        if (WakeReceiveThread(errorCode)) {
            WriteLogLine(LogLevel::Notice, kThreadTerminated);
        } else {
            WriteLogLine(LogLevel::Notice, FormatText(kThreadNotTerminated, errorCode));
        }
        if (CalledFromReceiveThread()) {
            // A callback closing its own stream: the thread ends once the
            // callback returns and touches no socket again, so the sockets
            // can go now; the thread record is released by the next
            // CloseServerStream, InitServerStream or destruction elsewhere.
            WriteLogLine(LogLevel::Notice, FormatText(kWaitFailed, kWaitOnItselfError));
        } else {
            {
                std::unique_lock<std::mutex> lock(mThreadStateLock);
                mThreadEndedSignal.wait_for(lock, kThreadEndWait, [this] { return !mThreadRunning; });
            }
            WriteLogLine(LogLevel::Notice, kWaitCompleted);
            // A callback may still be running after the wait; the fields it
            // uses must outlive it, so wait for it to return.
            mDmaProcessor.join();
            mDmaProcessor = std::thread();
        }
    }

    if (platform::CloseSocket(mServerSocket) != 0) ProcessCloseError(platform::LastSocketError());
    mServerSocket = platform::kInvalidSocket;
    if (platform::CloseSocket(mClientSocket) != 0) ProcessCloseError(platform::LastSocketError());
    mClientSocket = platform::kInvalidSocket;
}

void NodeConnectionClient::StopReceiving() {
    if (CalledFromReceiveThread()) {
        // Destroyed from its own callback: nothing can wait for this thread
        // here. Leaving it is the least harm; the owner must not do this.
        mStopRequested = true;
        mDmaProcessor.detach();
        return;
    }
    if (HoldsServerStream()) CloseServerStream();
}

bool NodeConnectionClient::AddStreamObject(const std::string& objectName) {
    WriteLogLine(LogLevel::Notice, FormatText(kAddAttempt, objectName.c_str(), mStreamType.c_str()));
    const auto found = std::find(mStreamObjects.begin(), mStreamObjects.end(), objectName);
    if (found != mStreamObjects.end()) {
        int& count = mStreamObjectCounts[static_cast<size_t>(found - mStreamObjects.begin())];
        ++count;
        WriteLogLine(LogLevel::Notice, FormatText(kAddIncremented, count, mStreamType.c_str()));
        return true;
    }
    mStreamObjects.push_back(objectName);
    mStreamObjectCounts.push_back(1);
    WriteLogLine(LogLevel::Notice, FormatText(kAddAppended, objectName.c_str(), mStreamType.c_str()));
    return true;
}

bool NodeConnectionClient::RemoveStreamObject(const std::string& objectName) {
    WriteLogLine(LogLevel::Notice, FormatText(kRemoveAttempt, objectName.c_str(), mStreamType.c_str()));
    const auto found = std::find(mStreamObjects.begin(), mStreamObjects.end(), objectName);
    if (found == mStreamObjects.end()) {
        WriteLogLine(LogLevel::Error, FormatText(kRemoveNotFound, objectName.c_str(), mStreamType.c_str()));
        return false;
    }
    const auto i = found - mStreamObjects.begin();
    const int count = --mStreamObjectCounts[static_cast<size_t>(i)];
    WriteLogLine(LogLevel::Notice, FormatText(kRemoveDecremented, count, mStreamType.c_str()));
    if (count != 0) return false;
    mStreamObjects.erase(found);
    mStreamObjectCounts.erase(mStreamObjectCounts.begin() + i);
    WriteLogLine(LogLevel::Notice, FormatText(kRemoveRemoved, objectName.c_str(), mStreamType.c_str()));
    return true;
}
