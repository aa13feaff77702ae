#pragma once
// The client end of the command connection to the acquisition server: it
// connects and identifies the server, carries one framed command and its one
// framed reply at a time, shuts the connection down, and reports every failed
// socket call to the client's log. It owns that log and the six stream servers,
// and sets up the live data streams over the command connection.
//
// Never include this header together with windows.h: SendMessage is a macro
// there. Applications see only KovaneClient, which holds this class through an
// owning pointer, so this header includes no system header at all.
#include <array>
#include <string>
#include <vector>

#include <kovane/StreamCallbackFunction.h>
#include <kovane/StreamHealth.h>

#include "channel/ReceiveStore.h"
#include "log/ClientLogFile.h"
#include "platform/Sockets.h"
#include "streams/NodeConnectionClientCSC.h"
#include "streams/NodeConnectionClientEV.h"
#include "streams/NodeConnectionClientSE.h"
#include "streams/NodeConnectionClientST.h"
#include "streams/NodeConnectionClientTT.h"
#include "streams/NodeConnectionClientVT.h"

struct SocketErrorTable;

class NetworkNodeClient {
public:
    // Starts the socket library (version 1.1); sends nothing.
    NetworkNodeClient();
    // Shuts an open connection down, then closes the log.
    virtual ~NetworkNodeClient();

    NetworkNodeClient(const NetworkNodeClient&) = delete;
    NetworkNodeClient& operator=(const NetworkNodeClient&) = delete;

    // The longest the command connection waits where a user waits on it: for
    // the connect, and for each receive and send of an exchange. A server that
    // accepts and never answers fails the exchange after this long, through
    // the receive error path (WSAETIMEDOUT, the reply "-1") like any other
    // lost connection. The bound is per socket call: a server that keeps
    // sending a byte now and then keeps a reply coming.
    static constexpr int kCommandTimeoutMilliseconds = 10000;

    // Connects to serverName on portNumber and asks the server's application
    // name. False when already connected or when the connection failed.
    bool InitializeClient(const std::string& serverName, int portNumber);
    // For tests only: the time-out above, for the next connection and the
    // one up now.
    void SetCommandTimeout(int milliseconds);
    // Closes the connection; false when none was up or its socket did not close.
    bool ShutdownClient();
    // True when the client's log file was opened.
    bool OpenLogFile(const std::string& fileName);

    // One framed message; true when the whole frame went out. A failed send
    // shuts the connection down.
    bool SendMessage(const std::string& message);
    bool SendMessage(const unsigned char* data, int length);

    // The next framed message as text: up to its first NUL, or all of it. On
    // failure reply is "-1".
    bool RecieveMessage(std::string& reply);
    // The next framed message as bytes, exactly as received, with no NUL
    // added. buffer must be null or hold a block from an earlier call, which is
    // released first. The new block belongs to the caller, who releases it
    // with ReleaseMessageBuffer (or delete[]); after a failure buffer is either
    // null or a block the caller still owns.
    bool RecieveMessage(unsigned char*& buffer, int& size);
    static void ReleaseMessageBuffer(unsigned char*& buffer);

    // The connection's texts, "Not Connected" before the first connection; the
    // server name and address again after a shutdown, while the application
    // name keeps the last server's.
    const std::string& GetServerName() const { return mServerName; }
    const std::string& GetServerIPAddress() const { return mServerIPAddress; }
    const std::string& GetServerApplicationName() const { return mServerApplicationName; }

    // Sets up the six data streams in the order SE, ST, TT, CSC, VT, EV: asks
    // the server for a port, starts that kind's stream server on it and tells
    // the server to connect there. 0 when all six were set up, -1 otherwise.
    int InitializeConnectionNodes();
    // The server's object names and their data types, two lists that pair by
    // index, into the caller's lists and the client's own; every stream
    // server then keeps the names of its kind.
    bool GetObjectsAndTypes(std::vector<std::string>& objectNames, std::vector<std::string>& dataTypes);
    // Opening is counted and announced every time; closing is announced only
    // at the object's last close.
    bool OpenStream(const std::string& objectName, const std::string& dataType);
    bool CloseStream(const std::string& objectName, const std::string& dataType);

    // The application's record callback of one kind, handed unchanged to that
    // kind's stream server; see StreamCallbackFunction for how it is called.
    void SetCallbackFunctionSE(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionST(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionTT(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionEV(StreamCallbackFunction callback, void* context);
    void SetCallbackFunctionVT(StreamCallbackFunction callback, void* context);

    // The health of one kind's stream, read from its stream server.
    StreamHealth GetStreamHealth(StreamKind kind) const;

private:
    friend struct NetworkNodeClientTestPeer;

    int SocketStartup();
    int CreateSocket(platform::Socket& socket);
    int GetServerInfo(platform::Ipv4Address& hostEntry, const std::string& serverName);
    int ConnectToServer(platform::Socket socket, const platform::Ipv4Address& hostEntry, int portNumber);
    void ProcessCloseError(int errorCode);

    bool GetBuffer(unsigned char* buffer, int bufferSize);
    void ProcessSendError(int errorCode);
    void ProcessRecieveError(int errorCode);

    void CloseKnownStreams();
    // CloseServerStream on the stream servers in the order SE, ST, TT, CSC,
    // VT, EV: on all six, or only on those a set-up started and left running.
    void StopStreamServers(bool all);
    // The six in the order of set-up's stopping and of the lists' handing
    // out: SE, ST, TT, CSC, VT, EV.
    std::array<NodeConnectionClient*, 6> StreamServers();
    // The stream server of a data type, compared in the order SE, ST, TT,
    // CSC, EV, VT; null for a name that is none of the six.
    NodeConnectionClient* StreamServerOf(const std::string& dataType);
    // This computer's first IPv4 address in dotted decimal.
    std::string GetLocalIPAddress();
    // Splits a reply's list into its names: tabs and CR LF count as blanks,
    // runs of blanks as one, and blanks at either end give no entry.
    static bool ParseList(const std::string& text, std::vector<std::string>& list);
    void ReportHeaderError(const std::string& text);
    void LogTableLine(const SocketErrorTable& table, int code);

    ClientLogFile mLogFile;
    // Constructed after the log and destroyed before it: they write to it.
    NodeConnectionClientSE mSENode;
    NodeConnectionClientST mSTNode;
    NodeConnectionClientTT mTTNode;
    NodeConnectionClientCSC mCSCNode;
    NodeConnectionClientVT mVTNode;
    NodeConnectionClientEV mEVNode;
    bool mInitialized;
    platform::Socket mSocket;
    std::string mServerName;
    std::string mServerIPAddress;
    std::string mServerApplicationName;
    std::vector<std::string> mObjectNames;
    std::vector<std::string> mDataTypes;
    bool mStreamsInitialized;
    int mCommandTimeout = kCommandTimeoutMilliseconds;

    // ShutdownClient runs exchanges while it closes streams; a failed one calls
    // ShutdownClient again. That nested call only notes that the connection is
    // lost, and the closing goes on once, in the outer call.
    bool mShuttingDown = false;
    bool mConnectionLost = false;

    // What GetBuffer has received from mSocket beyond what was asked so far.
    ReceiveStore mReceiveStore;
};
