// KovaneClient: connecting, the server's check and the command exchange.
#include <kovane/KovaneClient.h>

#include <algorithm>

#include "channel/NetworkNodeClient.h"
#include "client/ComputerNameCommand.h"
#include "client/ReplyReading.h"
#include "log/Format.h"
#include "platform/ComputerName.h"

namespace {

const char* const kGetNextAvailablePortNumber = "-GetNextAvailablePortNumber";
const std::string kSetApplicationName = "-SetApplicationName ";
const std::string kRequestRingBufferSize = "-RequestRingBufferSize ";
const std::string kRequestRingBuffer = "-RequestRingBuffer ";
const std::string kRequestSamplingFrequency = "-RequestSamplingFrequency ";
const std::string kRequestADRange = "-RequestADRange ";
const char* const kRequestFeature = "-RequestFeature %s %i";
const char* const kLogMessage = "-LogMessage %s %i";

}  // namespace

KovaneClient::KovaneClient() : KovaneClient(kPortQueryPort, kDirectCommandPort) {}

KovaneClient::KovaneClient(int portQueryPort, int directCommandPort)
    : mNetworkNodeClient(std::make_unique<NetworkNodeClient>()),
      mPortQueryPort(portQueryPort),
      mDirectCommandPort(directCommandPort) {}

KovaneClient::~KovaneClient() = default;

void KovaneClient::SetCommandTimeout(int milliseconds) { mNetworkNodeClient->SetCommandTimeout(milliseconds); }

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

    // A set-up that fails part way leaves the command connection up, with
    // the streams started before the failing one still running.
    if (channel.InitializeConnectionNodes() != 0) return false;

    SetComputerName();
    return true;
}

bool KovaneClient::Disconnect() { return mNetworkNodeClient->ShutdownClient(); }

bool KovaneClient::AreWeConnected() { return SetComputerName(); }

bool KovaneClient::SetComputerName() {
    if (!mNetworkNodeClient->SendMessage(computername::SetComputerNameCommand(platform::QueryComputerName))) {
        return false;
    }
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

bool KovaneClient::SendCommandToServer(const std::string& command, unsigned char*& buffer, int& size) {
    if (!mNetworkNodeClient->SendMessage(command)) return false;
    return mNetworkNodeClient->RecieveMessage(buffer, size);
}

void KovaneClient::ReleaseReplyBuffer(unsigned char*& buffer) { NetworkNodeClient::ReleaseMessageBuffer(buffer); }

bool KovaneClient::Exchange(const std::string& command, std::string& reply) {
    return mNetworkNodeClient->SendMessage(command) && mNetworkNodeClient->RecieveMessage(reply);
}

bool KovaneClient::RequestIntegers(const std::string& command, int* values, int count) {
    // values[0] is the status; the caller's out-parameters are 0 on entry.
    for (int i = 0; i < count; ++i) values[i] = 0;
    std::string reply;
    if (!Exchange(command, reply)) return false;
    replyreading::ReadIntegers(reply, values, count);
    return values[0] >= 0;
}

bool KovaneClient::SetApplicationName(const std::string& name) {
    std::string reply;
    return Exchange(kSetApplicationName + name, reply);
}

bool KovaneClient::RequestRingBufferSize(const std::string& name, int& firstValue, int& secondValue) {
    int values[3];
    const bool ok = RequestIntegers(kRequestRingBufferSize + name, values, 3);
    firstValue = values[1];
    secondValue = values[2];
    return ok;
}

bool KovaneClient::RequestRingBuffer(const std::string& name, unsigned char* buffer, int bufferSize,
                                     int& bytesCopied) {
    bytesCopied = 0;
    const int room = buffer != nullptr && bufferSize > 0 ? bufferSize : 0;
    std::fill_n(buffer, room, static_cast<unsigned char>(0));
    if (!mNetworkNodeClient->SendMessage(kRequestRingBuffer + name)) return false;

    unsigned char* reply = nullptr;
    int replySize = 0;
    const bool received = mNetworkNodeClient->RecieveMessage(reply, replySize);
    if (received) {
        bytesCopied = std::min(room, replySize);
        std::copy_n(reply, bytesCopied, buffer);
    }
    // A failed receive may still have left a block with us.
    NetworkNodeClient::ReleaseMessageBuffer(reply);
    return received;
}

bool KovaneClient::RequestSamplingFrequency(const std::string& name, int& frequency) {
    int values[2];
    const bool ok = RequestIntegers(kRequestSamplingFrequency + name, values, 2);
    frequency = values[1];
    return ok;
}

bool KovaneClient::RequestADRange(const std::string& name, int& firstValue, int& secondValue) {
    int values[3];
    const bool ok = RequestIntegers(kRequestADRange + name, values, 3);
    firstValue = values[1];
    secondValue = values[2];
    return ok;
}

bool KovaneClient::RequestFeature(const std::string& name, int number, std::string& result) {
    std::string reply;
    if (!Exchange(FormatText(kRequestFeature, name.c_str(), number), reply)) return false;
    return replyreading::ReadFeatureReply(reply, result);
}

bool KovaneClient::LogMessage(const std::string& text, int number) {
    std::string reply;
    return Exchange(FormatText(kLogMessage, text.c_str(), number), reply);
}

std::string KovaneClient::GetServerName() const { return mNetworkNodeClient->GetServerName(); }

std::string KovaneClient::GetServerIPAddress() const { return mNetworkNodeClient->GetServerIPAddress(); }

std::string KovaneClient::GetServerApplicationName() const { return mNetworkNodeClient->GetServerApplicationName(); }

bool KovaneClient::OpenLogFile(const std::string& fileName) { return mNetworkNodeClient->OpenLogFile(fileName); }

bool KovaneClient::GetObjectsAndTypes(std::vector<std::string>& objectNames, std::vector<std::string>& dataTypes) {
    std::vector<std::string> names;
    std::vector<std::string> types;
    if (!mNetworkNodeClient->GetObjectsAndTypes(names, types)) return false;
    // Index for index over the objects: a type the server did not name is
    // the empty text, never a read past its list.
    types.resize(names.size());
    objectNames = std::move(names);
    dataTypes = std::move(types);
    return true;
}

bool KovaneClient::OpenStream(const std::string& objectName, const std::string& dataType) {
    return mNetworkNodeClient->OpenStream(objectName, dataType);
}

bool KovaneClient::CloseStream(const std::string& objectName, const std::string& dataType) {
    return mNetworkNodeClient->CloseStream(objectName, dataType);
}

void KovaneClient::SetCallbackFunctionSE(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionSE(callback, context);
}

void KovaneClient::SetCallbackFunctionST(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionST(callback, context);
}

void KovaneClient::SetCallbackFunctionTT(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionTT(callback, context);
}

void KovaneClient::SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionCSC(callback, context);
}

void KovaneClient::SetCallbackFunctionEV(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionEV(callback, context);
}

void KovaneClient::SetCallbackFunctionVT(StreamCallbackFunction callback, void* context) {
    mNetworkNodeClient->SetCallbackFunctionVT(callback, context);
}

StreamHealth KovaneClient::GetStreamHealth(StreamKind kind) const { return mNetworkNodeClient->GetStreamHealth(kind); }
