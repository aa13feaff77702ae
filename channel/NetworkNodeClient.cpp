// NetworkNodeClient: construction, the connection and its closing.
#include "channel/NetworkNodeClient.h"

#include <algorithm>

#include "channel/SocketErrorTables.h"
#include "log/Format.h"

namespace {

const char* const kNotConnected = "Not Connected";

const char* const kInitAttempt =
    "NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client connection.  serverName: %s, "
    "portNumber: %i";
const char* const kInitAlready =
    "NetworkNodeClient::InitializeClient() - Attempting to initialize Message Client that has already been "
    "initialized, unable to re-initialize";
const char* const kInitCreating = "NetworkNodeClient::InitializeClient() - Attempting to create Client Socket";
const char* const kInitClientFailed = "NetworkNodeClient::InitializeClient() - Failure: Unable to initialize client";
const char* const kInitCreated = "NetworkNodeClient::InitializeClient() - Client Socket created successfully";
const char* const kInitRequesting =
    "NetworkNodeClient::InitializeClient() - Attempting to request information about our connection.";
const char* const kInitMessageClientFailed =
    "NetworkNodeClient::InitializeClient() - Failure: Unable to initialize message client";
const char* const kInitRequested = "NetworkNodeClient::InitializeClient() - Request for information was successful.";
const char* const kInitConnecting =
    "NetworkNodeClient::InitializeClient() - Attempting to establish a connection to our server.";
const char* const kInitConnected = "NetworkNodeClient::InitializeClient() - Connection successfully established";
const char* const kInitDone = "NetworkNodeClient::InitializeClient() - Message Client successfully initialized";

const char* const kShutdownAttempt = "NetworkNodeClient::ShutdownClient() - Attempting to Shutdown Message Client";
const char* const kShutdownNotInitialized =
    "NetworkNodeClient::ShutdownClient() - Unable to Close Message Client, Client has not yet been initialized";
const char* const kShutdownClosing = "NetworkNodeClient::ShutdownClient() - Attempting to Close Message Client Socket";
const char* const kShutdownCloseFailed = "NetworkNodeClient::ShutdownClient() - Unable to Close Message Client Socket";
const char* const kShutdownClosed =
    "NetworkNodeClient::ShutdownClient() - Attempt to Close Message Client Socket was successful";

const char* const kIdentify = "-RequestApplicationName";

std::string DottedDecimal(const platform::Ipv4Address& a) {
    return FormatText("%i.%i.%i.%i", a[0], a[1], a[2], a[3]);
}

}  // namespace

NetworkNodeClient::NetworkNodeClient()
    : mInitialized(false),
      mSocket(platform::kInvalidSocket),
      mServerName(kNotConnected),
      mServerIPAddress(kNotConnected),
      mServerApplicationName(kNotConnected),
      mStreamsInitialized(false) {
    mSENode.SetLogFile(mLogFile);
    mSTNode.SetLogFile(mLogFile);
    mTTNode.SetLogFile(mLogFile);
    mCSCNode.SetLogFile(mLogFile);
    mVTNode.SetLogFile(mLogFile);
    mEVNode.SetLogFile(mLogFile);

    // The result is not examined: after a failed start-up every later socket
    // call fails and reports through its own table. The log is not open yet,
    // so a start-up line is dropped.
    SocketStartup();
}

// A stream server still running here (a set-up that stopped part way on a
// client whose shutdown never came) is stopped while its lines can still
// reach the log.
NetworkNodeClient::~NetworkNodeClient() {
    ShutdownClient();
    StopStreamServers(false);
    mLogFile.CloseLogFile();
}

int NetworkNodeClient::SocketStartup() {
    const int result = platform::SocketStartup(0x0101);
    const std::string line = SocketErrorLine(errortables::kSocketStartup, result);
    if (line.empty()) return 0;
    mLogFile.WriteLogEntry(LogLevel::Error, line);
    return -1;
}

bool NetworkNodeClient::OpenLogFile(const std::string& fileName) { return mLogFile.OpenLogFile(fileName) == 0; }

void NetworkNodeClient::LogTableLine(const SocketErrorTable& table, int code) {
    const std::string line = SocketErrorLine(table, code);
    if (!line.empty()) mLogFile.WriteLogEntry(LogLevel::Error, line);
}

bool NetworkNodeClient::InitializeClient(const std::string& serverName, int portNumber) {
    mLogFile.WriteLogEntry(LogLevel::Notice, FormatText(kInitAttempt, serverName.c_str(), portNumber));
    if (mInitialized) {
        mLogFile.WriteLogEntry(LogLevel::Warning, kInitAlready);
        return false;
    }

    mLogFile.WriteLogEntry(LogLevel::Notice, kInitCreating);
    if (CreateSocket(mSocket) != 0) {
        mLogFile.WriteLogEntry(LogLevel::Error, kInitClientFailed);
        return false;
    }

    mLogFile.WriteLogEntry(LogLevel::Notice, kInitCreated);
    mLogFile.WriteLogEntry(LogLevel::Notice, kInitRequesting);
    platform::Ipv4Address hostEntry{};
    if (GetServerInfo(hostEntry, serverName) != 0) {
        mLogFile.WriteLogEntry(LogLevel::Error, kInitMessageClientFailed);
        // Nothing else will ever close this socket: close it now rather than
        // leave it to be overwritten by the next attempt.
        platform::CloseSocket(mSocket);
        mSocket = platform::kInvalidSocket;
        return false;
    }

    mLogFile.WriteLogEntry(LogLevel::Notice, kInitRequested);
    mLogFile.WriteLogEntry(LogLevel::Notice, kInitConnecting);
    if (ConnectToServer(mSocket, hostEntry, portNumber) != 0) {
        mLogFile.WriteLogEntry(LogLevel::Error, kInitMessageClientFailed);
        platform::CloseSocket(mSocket);
        mSocket = platform::kInvalidSocket;
        return false;
    }
    mLogFile.WriteLogEntry(LogLevel::Notice, kInitConnected);
    // Their results are not examined: a socket that cannot take them only
    // waits as it always did.
    platform::SetReceiveTimeout(mSocket, mCommandTimeout);
    platform::SetSendTimeout(mSocket, mCommandTimeout);

    mReceiveStore.Clear();
    mServerIPAddress = DottedDecimal(hostEntry);
    mServerName = serverName;
    mInitialized = true;

    // The reply is a status, a blank and the name. A failed send has already
    // shut the connection down, and the name stays as it was.
    if (SendMessage(kIdentify)) {
        RecieveMessage(mServerApplicationName);
        const size_t blank = mServerApplicationName.find(' ');
        if (blank != std::string::npos) mServerApplicationName.erase(0, blank + 1);
    }

    mLogFile.WriteLogEntry(LogLevel::Notice, kInitDone);
    return true;
}

int NetworkNodeClient::CreateSocket(platform::Socket& socket) {
    socket = platform::CreateTcpSocket();
    if (socket == platform::kInvalidSocket) {
        LogTableLine(errortables::kCreateSocket, platform::LastSocketError());
        return -1;
    }
    return 0;
}

int NetworkNodeClient::GetServerInfo(platform::Ipv4Address& hostEntry, const std::string& serverName) {
    if (platform::ResolveIpv4(serverName, hostEntry) != 0) {
        LogTableLine(errortables::kGetServerInfo, platform::LastSocketError());
        return -1;
    }
    return 0;
}

int NetworkNodeClient::ConnectToServer(platform::Socket socket, const platform::Ipv4Address& hostEntry,
                                       int portNumber) {
    // The low 16 bits of the number, as the socket address has always taken it.
    if (platform::ConnectWithin(socket, hostEntry, static_cast<std::uint16_t>(portNumber), mCommandTimeout) != 0) {
        LogTableLine(errortables::kConnectToServer, platform::LastSocketError());
        return -1;
    }
    return 0;
}

void NetworkNodeClient::SetCommandTimeout(int milliseconds) {
    mCommandTimeout = milliseconds;
    if (mInitialized) {
        platform::SetReceiveTimeout(mSocket, milliseconds);
        platform::SetSendTimeout(mSocket, milliseconds);
    }
}

void NetworkNodeClient::ProcessCloseError(int errorCode) { LogTableLine(errortables::kClose, errorCode); }

bool NetworkNodeClient::ShutdownClient() {
    if (mShuttingDown) {
        // Reached from an exchange of the shutdown under way: the connection
        // is gone, and the outer call finishes the closing.
        mConnectionLost = true;
        return false;
    }
    mLogFile.WriteLogEntry(LogLevel::Notice, kShutdownAttempt);
    if (!mInitialized) {
        mLogFile.WriteLogEntry(LogLevel::Warning, kShutdownNotInitialized);
        return false;
    }

    mShuttingDown = true;
    mConnectionLost = false;
    if (mStreamsInitialized) {
        CloseKnownStreams();
        StopStreamServers(true);
    } else {
        // A set-up that failed part way left the kinds before the failure
        // listening, with their threads running: stop them too.
        StopStreamServers(false);
    }
    mStreamsInitialized = false;

    mLogFile.WriteLogEntry(LogLevel::Notice, kShutdownClosing);
    const bool closed = platform::CloseSocket(mSocket) == 0;
    mShuttingDown = false;
    if (!closed) {
        ProcessCloseError(platform::LastSocketError());
        mLogFile.WriteLogEntry(LogLevel::Error, kShutdownCloseFailed);
        return false;
    }
    mLogFile.WriteLogEntry(LogLevel::Notice, kShutdownClosed);
    mReceiveStore.Clear();
    mSocket = platform::kInvalidSocket;
    mServerIPAddress = kNotConnected;
    mServerName = kNotConnected;
    mInitialized = false;
    return true;
}

// Every complete pair of the lists, whether or not its stream was opened.
// Once an exchange has found the connection lost, the server can hear no
// more closes, and the rest are not attempted.
void NetworkNodeClient::CloseKnownStreams() {
    const size_t pairs = std::min(mObjectNames.size(), mDataTypes.size());
    for (size_t i = 0; i < pairs && !mConnectionLost; ++i) CloseStream(mObjectNames[i], mDataTypes[i]);
}
