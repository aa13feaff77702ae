// KovaneClient: connecting, the server's check and the command exchange.
#include <kovane/KovaneClient.h>

#include "channel/NetworkNodeClient.h"
#include "client/ReplyReading.h"
#include "platform/ComputerName.h"

namespace {

const char* const kGetNextAvailablePortNumber = "-GetNextAvailablePortNumber";
const char* const kSetComputerName = "-SetComputerName ";

// The system's computer names are at most 127 characters here.
constexpr int kComputerNameBufferSize = 128;

}  // namespace

KovaneClient::KovaneClient() : KovaneClient(kPortQueryPort, kDirectCommandPort) {}

KovaneClient::KovaneClient(int portQueryPort, int directCommandPort)
    : mNetworkNodeClient(std::make_unique<NetworkNodeClient>()),
      mPortQueryPort(portQueryPort),
      mDirectCommandPort(directCommandPort) {}

KovaneClient::~KovaneClient() = default;

bool KovaneClient::Connect(const std::string& serverName, bool useNextAvailablePort) {
    NetworkNodeClient& channel = *mNetworkNodeClient;
    bool connected = false;
    if (useNextAvailablePort && channel.InitializeClient(serverName, mPortQueryPort)) {
        // The port-query port names the command port for this client, then
        // that connection is closed. A failed exchange reads as "-1".
        channel.SendMessage(kGetNextAvailablePortNumber);
        std::string reply;
        channel.RecieveMessage(reply);
        int statusAndPort[2];
        replyreading::ReadIntegers(reply, statusAndPort, 2);
        if (statusAndPort[0] != 0) {
            channel.ShutdownClient();
            return false;
        }
        if (!channel.ShutdownClient()) return false;
        connected = channel.InitializeClient(serverName, statusAndPort[1]);
    } else {
        // No port-query port wanted, or none could be reached.
        connected = channel.InitializeClient(serverName, mDirectCommandPort);
    }
    if (!connected) return false;

    // STREAM SET-UP: InitializeConnectionNodes goes here once the stream
    // servers are in the channel; a result other than 0 fails Connect and
    // leaves the command connection up.

    SetComputerName();
    return true;
}

bool KovaneClient::Disconnect() { return mNetworkNodeClient->ShutdownClient(); }

bool KovaneClient::AreWeConnected() { return SetComputerName(); }

bool KovaneClient::SetComputerName() {
    // A name the system cannot tell is sent as the empty name.
    char name[kComputerNameBufferSize] = {};
    if (!platform::QueryComputerName(name, kComputerNameBufferSize)) name[0] = '\0';
    name[kComputerNameBufferSize - 1] = '\0';

    if (!mNetworkNodeClient->SendMessage(std::string(kSetComputerName) + name)) return false;
    std::string reply;
    return mNetworkNodeClient->RecieveMessage(reply);
}

bool KovaneClient::SendCommandToServer(const std::string& command, std::string& reply) {
    if (!mNetworkNodeClient->SendMessage(command)) return false;
    std::string received;
    if (!mNetworkNodeClient->RecieveMessage(received)) return false;
    reply = std::move(received);
    return true;
}
