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
    // AreWeConnected).
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

private:
    std::unique_ptr<NetworkNodeClient> mNetworkNodeClient;
    int mPortQueryPort;
    int mDirectCommandPort;
};

#pragma pop_macro("SetComputerName")
