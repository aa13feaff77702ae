#pragma once
// The base of the six stream servers. The acquisition server connects to a
// port this object listens on and pushes fixed-size records of one kind; a
// receive thread of its own assembles them and hands each, in place, to the
// kind's ExecuteCallback. It also counts the stream objects the client opened
// on this kind, for the channel's open and close bookkeeping.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "log/ClientLogFile.h"
#include "log/LogLevel.h"
#include "platform/Sockets.h"
#include "streams/SharedSnapshot.h"
#include "streams/StreamCallbackFunction.h"

// The application's callback and its context, registered and replaced as one.
// Delivery is off while either is null.
struct StreamCallbackPair {
    void* mCallbackContext = nullptr;
    StreamCallbackFunction mCallbackFunction = nullptr;

    bool IsSet() const { return mCallbackContext != nullptr && mCallbackFunction != nullptr; }
};

class NodeConnectionClient {
public:
    // The receive thread has ended by the time this returns; see StopReceiving.
    virtual ~NodeConnectionClient();

    NodeConnectionClient(const NodeConnectionClient&) = delete;
    NodeConnectionClient& operator=(const NodeConnectionClient&) = delete;

    // Each kind acts on its own slot only; a request made through another
    // kind's slot does nothing.
    virtual void SetCallbackFunctionSE(StreamCallbackFunction callback, void* context);
    virtual void SetCallbackFunctionST(StreamCallbackFunction callback, void* context);
    virtual void SetCallbackFunctionTT(StreamCallbackFunction callback, void* context);
    virtual void SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context);
    virtual void SetCallbackFunctionEV(StreamCallbackFunction callback, void* context);
    virtual void SetCallbackFunctionVT(StreamCallbackFunction callback, void* context);
    // Keeps the names of this kind's objects from the server's two lists,
    // which pair by index; replaced whole while records may be arriving.
    virtual void UpdateObjectNameList(const std::vector<std::string>& objectNames,
                                      const std::vector<std::string>& dataTypes) = 0;

    // The log every later line goes to; it must outlive this object.
    void SetLogFile(ClientLogFile& logFile);

    // Listens on the low 16 bits of portNumber on every local interface and
    // starts the receive thread. A server still holding a thread or sockets
    // from an earlier start is stopped first. False when a step failed; what
    // was made so far is left for CloseServerStream.
    bool InitServerStream(int portNumber);
    // Wakes the receive thread, waits for it to end (a callback under way
    // included), then closes both sockets. The callback, the name list and
    // the stream objects stay as they are.
    void CloseServerStream();

    // Counted opens of stream objects, names compared exactly.
    bool AddStreamObject(const std::string& objectName);
    // True only when the object's count reached zero and its entry went.
    bool RemoveStreamObject(const std::string& objectName);

    // What the owner and tests may look at.
    int GetRecordSize() const { return mRecordSize; }
    const std::string& GetStreamType() const { return mStreamType; }
    int GetPortNumber() const { return mPortNumber; }
    // The port the listening socket is bound to (the system's choice after
    // port 0), or -1 when there is none.
    int GetListeningPort() const;
    std::vector<std::string> GetSourceNames() const { return *mSourceNames.Load(); }
    const std::vector<std::string>& GetStreamObjects() const { return mStreamObjects; }
    const std::vector<int>& GetStreamObjectCounts() const { return mStreamObjectCounts; }
    // True from a successful InitServerStream until the receive thread ends.
    bool IsReceiving() const;
    // True while a receive thread or a socket from InitServerStream remains,
    // which only CloseServerStream ends.
    bool HoldsServerStream() const;

    // The receive buffer holds as many whole records as fit in this many
    // bytes (at least one), so one receive brings in many records at once.
    static constexpr int kReceiveBlockBytes = 64 * 1024;

protected:
    NodeConnectionClient(int recordSize, std::string streamType);

    // Called by RecieveData once per complete record, on the receive thread,
    // with the record in mRecord.
    virtual void ExecuteCallback() = 0;

    // Every subclass calls this first in its destructor: the receive thread
    // calls the subclass's ExecuteCallback, so it must have ended before the
    // subclass's members go away.
    void StopReceiving();

    // For the subclasses' ExecuteCallback, on the receive thread.
    const std::vector<std::string>& CurrentSourceNames() { return mSourceNames.Current(); }
    void ReplaceSourceNames(std::vector<std::string> names) { mSourceNames.Publish(std::move(names)); }
    // Hands mRecord with names[index] to the callback, or, for an index that
    // selects no name, writes rejectFormat with the index at Error and drops it.
    void DeliverRecord(const StreamCallbackPair& callback, const std::vector<std::string>& names,
                       std::int64_t index, const char* rejectFormat);
    void WriteLogLine(LogLevel level, const std::string& text);

    // The steps of InitServerStream and of the receive thread.
    bool CreateSocket();
    bool BindSocket(int portNumber);
    bool ListenToSocket();
    bool CreateRecieveBuffer();
    bool AcceptClientSocket();
    bool RecieveData();
    void ProcessRecieveError(int errorCode);
    void ProcessCloseError(int errorCode);

    static unsigned DmaProcessorThread(NodeConnectionClient* server);

    const int mRecordSize;
    const std::string mStreamType;
    std::unique_ptr<unsigned char[]> mRecvBuffer;
    SharedSnapshot<std::vector<std::string>> mSourceNames;
    ClientLogFile* mLogFile = nullptr;
    // Written by the receive thread (the accepted connection) and read by the
    // owner's CloseServerStream to wake it, hence atomic.
    std::atomic<platform::Socket> mClientSocket{platform::kInvalidSocket};
    std::atomic<platform::Socket> mServerSocket{platform::kInvalidSocket};
    int mPortNumber = 0;
    int mRecvBufferSize = 0;
    std::vector<std::string> mStreamObjects;
    std::vector<int> mStreamObjectCounts;
    std::thread mDmaProcessor;

    // The record being delivered, inside mRecvBuffer; valid during ExecuteCallback.
    const unsigned char* mRecord = nullptr;

private:
    void MarkThreadEnded();
    bool WakeReceiveThread(int& errorCode);
    bool CalledFromReceiveThread() const;

    // Set by CloseServerStream; the receive thread looks at it before every
    // socket call and after every record, so it never starts a new wait once
    // told to stop, and its wake-up is not reported as a failure.
    std::atomic<bool> mStopRequested{false};
    // The bytes of a record not yet complete, at the start of mRecvBuffer.
    int mBytesHeld = 0;
    mutable std::mutex mThreadStateLock;
    std::condition_variable mThreadEndedSignal;
    bool mThreadRunning = false;
};
