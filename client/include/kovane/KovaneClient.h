#pragma once
// The front object of the Kovane client: connect to the acquisition server,
// check that it answers, send it commands and read their replies, disconnect.
// Every operation returns a plain result (true for success) and throws nothing.
//
// One request at a time per client: a request is a command and then its one
// reply on the one command connection, so two threads sending at once would
// take each other's replies.
//
// This header includes no system header and may be included before or after
// windows.h.
#include <memory>
#include <string>
#include <vector>

#include <kovane/StreamCallbackFunction.h>
#include <kovane/StreamHealth.h>

class NetworkNodeClient;

// windows.h makes SetComputerName a macro for SetComputerNameA (or ...W).
// The class is declared without it, and the two spellings the macro can
// produce at a caller's site lead to the same operation.
#pragma push_macro("SetComputerName")
#undef SetComputerName

class KovaneClient {
public:
    // The server's fixed ports: the port-query port, which names a command
    // port for this client, and the direct command port.
    static constexpr int kPortQueryPort = 26200;
    static constexpr int kDirectCommandPort = 26100;

    // Nothing is sent until Connect.
    KovaneClient();
    // For tests only: the same client with the two fixed ports moved.
    KovaneClient(int portQueryPort, int directCommandPort);
    // For tests only: the command connection's time-out moved from its fixed
    // 10 s (connect, and each receive and send of a request); see
    // NetworkNodeClient::kCommandTimeoutMilliseconds.
    void SetCommandTimeout(int milliseconds);
    // Shuts an open connection down and closes the log.
    virtual ~KovaneClient();

    KovaneClient(const KovaneClient&) = delete;
    KovaneClient& operator=(const KovaneClient&) = delete;

    // With useNextAvailablePort, asks the port-query port for a command port
    // and connects there, or connects to the direct command port when the
    // port-query port cannot be reached; without it, only the direct command
    // port is tried. Then sets up the six data streams and announces this
    // computer's name. False when the command connection could not be made,
    // when already connected (the connection in place stays), and when the
    // stream set-up failed (the command connection then stays up: ask
    // AreWeConnected). A server that stops answering fails it after the
    // command time-out of the exchange it left unanswered.
    bool Connect(const std::string& serverName, bool useNextAvailablePort);
    // Ends the connection; false when none was up.
    bool Disconnect();
    // True when the server answers a request now. It is one SetComputerName
    // exchange; nothing is sent while no connection is up.
    bool AreWeConnected();
    // Sends "-SetComputerName " and this computer's name (empty when the
    // system cannot tell it); true when a reply arrived, whatever it says.
    bool SetComputerName();
    bool SetComputerNameA() { return SetComputerName(); }
    bool SetComputerNameW() { return SetComputerName(); }

    // Sends command and reads its reply as text. On false reply is left
    // exactly as it was.
    bool SendCommandToServer(const std::string& command, std::string& reply);
    // Sends command and reads its reply as bytes, exactly as received, with
    // no terminator added. buffer must be null or hold a block from an
    // earlier reply, which is released first. On true buffer holds the new
    // block and size its length. The block is the caller's to release with
    // ReleaseReplyBuffer (or delete[]), also after false, when buffer may
    // hold the earlier block, a new one, or null; size is then untouched.
    bool SendCommandToServer(const std::string& command, unsigned char*& buffer, int& size);
    static void ReleaseReplyBuffer(unsigned char*& buffer);

    // --- The server's named requests -------------------------------------
    // Each sends one command ending in the name (or the text) as given and
    // reads its one reply; false at once while not connected. The meaning of
    // the values is the server's: the client passes them through unchanged.
    //
    // Integer replies are a status and then the values. Every out-parameter
    // is 0 on entry and takes the values the reply carries, read in order
    // until one cannot be read (that one and those after it stay 0). Success
    // is a status of 0 or more; on a negative status the values read are
    // still stored.

    // "-SetApplicationName name"; true when any reply arrived.
    bool SetApplicationName(const std::string& name);
    // "-RequestRingBufferSize name": status, then two integers.
    bool RequestRingBufferSize(const std::string& name, int& firstValue, int& secondValue);
    // "-RequestRingBuffer name": raw bytes. The whole buffer is zero-filled
    // on entry and bytesCopied set to 0; on true it holds the start of the
    // reply, cut to bufferSize bytes and not terminated, and bytesCopied says
    // how many. A null buffer or a size below 1 takes nothing.
    bool RequestRingBuffer(const std::string& name, unsigned char* buffer, int bufferSize, int& bytesCopied);
    // "-RequestSamplingFrequency name": status, then one integer.
    bool RequestSamplingFrequency(const std::string& name, int& frequency);
    // "-RequestADRange name": status, then two integers.
    bool RequestADRange(const std::string& name, int& firstValue, int& secondValue);
    // "-RequestFeature name number": a status, a blank and a result text.
    // True when the reply has a blank and a status of 0 or more; result then
    // receives everything after the first blank (possibly empty). On false
    // result is untouched.
    bool RequestFeature(const std::string& name, int number, std::string& result);
    // "-LogMessage text number"; true when any reply arrived.
    bool LogMessage(const std::string& text, int number);

    // --- The server's objects and their data streams ---------------------
    // Call in this order: Connect, GetObjectsAndTypes, register the callbacks
    // of the kinds wanted, then OpenStream for objects of those lists.

    // The server's acquisition objects and the data type of each, index for
    // index: both lists are emptied and refilled, one entry per object the
    // server named. A server that names fewer types than objects gives the
    // objects without one the empty text as their type (they cannot be
    // opened); types beyond the last object are dropped. On false both lists
    // are untouched.
    bool GetObjectsAndTypes(std::vector<std::string>& objectNames, std::vector<std::string>& dataTypes);
    // Asks the server to start sending one object's records. Only a pair the
    // last GetObjectsAndTypes delivered is accepted. Opens are counted: each
    // is announced to the server, and only the close that balances the last
    // open stops the records (the closes before it return false).
    bool OpenStream(const std::string& objectName, const std::string& dataType);
    bool CloseStream(const std::string& objectName, const std::string& dataType);

    // The callback for one kind's records, replacing any earlier one; a null
    // callback or a null context switches delivery off. It is called on that
    // stream's own thread (see StreamCallbackFunction) and goes on receiving
    // across reconnections. Kinds: SE single electrode, ST stereotrode, TT
    // tetrode spike records; CSC continuously sampled channel records; EV
    // event records; VT video tracker records.
    void SetCallbackFunctionSE(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionST(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionTT(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionEV(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionVT(StreamCallbackFunction callback, void* context);

    // Whether one kind's data connection is up, and the records delivered,
    // the records rejected for their source field and the bytes received on
    // it so far (see StreamHealth). No traffic and no lock: the figures are
    // counted on the stream's own thread as records arrive, and may be read
    // from any thread at any time, also from a callback.
    StreamHealth GetStreamHealth(StreamKind kind) const;

    // --- The connection's texts (no traffic) -----------------------------
    // All read "Not Connected" before the first connection. After Disconnect
    // the name and address read it again; the application name keeps the
    // last server's.
    std::string GetServerName() const;
    std::string GetServerIPAddress() const;  // IPv4, dotted decimal
    std::string GetServerApplicationName() const;

    // Opens the client's diagnostic log (may be called before Connect, so the
    // connection's own steps are logged). Until it is open, and after it
    // failed to open, every entry is dropped.
    bool OpenLogFile(const std::string& fileName);

private:
    // One command and its text reply; false when either failed.
    bool Exchange(const std::string& command, std::string& reply);
    // One command and a reply of a status and count - 1 values into
    // values[0..count); true when the status is 0 or more.
    bool RequestIntegers(const std::string& command, int* values, int count);

    std::unique_ptr<NetworkNodeClient> mNetworkNodeClient;
    int mPortQueryPort;
    int mDirectCommandPort;
};

#pragma pop_macro("SetComputerName")
