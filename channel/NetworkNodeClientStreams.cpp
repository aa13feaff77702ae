// NetworkNodeClient: setting up the six data streams over the command
// connection, the server's object lists, and opening and closing streams.
#include <algorithm>

#include "channel/NetworkNodeClient.h"
#include "channel/ReplyText.h"
#include "log/Format.h"
#include "streams/DataTypes.h"

namespace {

const char* const kPortRequestFailed =
    "NetworkNodeClient::InitializeConnectionNodes() - call to get next port number failed, unable to initialize "
    "server streams.";
const char* const kOpenBadPairing =
    "NetworkNodeClient::OpenStream() - Error, invalid parameter, unrecognized object name and data type pairing.  "
    "objectName: %s, dataType: %s";
const char* const kOpenBadType =
    "NetworkNodeClient::OpenStream() - Error, invalid parameter, unrecognized data type.  dataType: %s";
const char* const kCloseBadType =
    "NetworkNodeClient::CloseStream() - Error, invalid parameter, unrecognized data type.  dataType: %s";

// Where a computer whose own name does not resolve can still be reached by
// a server on the same computer, which is where the server runs for titling.
const char* const kLoopbackAddress = "127.0.0.1";

}  // namespace

int NetworkNodeClient::InitializeConnectionNodes() {
    struct Kind {
        NodeConnectionClient& node;
        const char* dataType;
    };
    const Kind setupOrder[] = {
        {mSENode, streamtypes::kSingleElectrode}, {mSTNode, streamtypes::kStereotrode},
        {mTTNode, streamtypes::kTetrode},         {mCSCNode, streamtypes::kContinuousChannel},
        {mVTNode, streamtypes::kVideoTracker},    {mEVNode, streamtypes::kEvent},
    };
    // Set once, before the first kind: a reply that lacks a field leaves the
    // value of the kind before.
    std::int32_t fields[2] = {0, 0};  // status, port
    for (const Kind& kind : setupOrder) {
        std::string reply;
        SendMessage("-GetNextAvailablePortNumber");
        RecieveMessage(reply);
        replytext::ReadIntegers(reply, fields, 2);
        if (fields[0] != 0) {
            mLogFile.WriteLogEntry(LogLevel::Error, kPortRequestFailed);
            return -1;
        }
        // A stream server still running from an earlier set-up is stopped by
        // InitServerStream itself before it listens again.
        kind.node.InitServerStream(fields[1]);
        SendMessage(FormatText("-CreateStream %s %i %s", GetLocalIPAddress().c_str(), fields[1], kind.dataType));
        RecieveMessage(reply);
    }
    mStreamsInitialized = true;
    return 0;
}

std::string NetworkNodeClient::GetLocalIPAddress() {
    char hostName[128] = {};
    platform::Ipv4Address address{};
    if (platform::GetHostName(hostName, sizeof hostName) != 0 || platform::ResolveIpv4(hostName, address) != 0) {
        return kLoopbackAddress;
    }
    return FormatText("%i.%i.%i.%i", address[0], address[1], address[2], address[3]);
}

bool NetworkNodeClient::GetObjectsAndTypes(std::vector<std::string>& objectNames,
                                           std::vector<std::string>& dataTypes) {
    mObjectNames.clear();
    mDataTypes.clear();
    // One list: status 0, a blank, and the names.
    const auto fetch = [this](const char* command, std::vector<std::string>& callers,
                              std::vector<std::string>& ours) {
        if (!SendMessage(command)) return false;
        std::string reply;
        if (!RecieveMessage(reply)) return false;
        std::int32_t status = 0;
        replytext::ReadIntegers(reply, &status, 1);
        if (status != 0) return false;
        const size_t blank = reply.find(' ');
        if (blank == std::string::npos) return false;
        const std::string list = reply.substr(blank + 1);
        ParseList(list, callers);
        ParseList(list, ours);
        return true;
    };
    if (!fetch("-RequestQuorvexObjects", objectNames, mObjectNames)) return false;
    if (!fetch("-RequestQuorvexTypes", dataTypes, mDataTypes)) return false;

    for (NodeConnectionClient* node : StreamServers()) {
        node->UpdateObjectNameList(mObjectNames, mDataTypes);
    }
    return true;
}

bool NetworkNodeClient::ParseList(const std::string& text, std::vector<std::string>& list) {
    std::string rest;
    rest.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\t') {
            rest += ' ';
        } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rest += ' ';
            ++i;
        } else {
            rest += text[i];
        }
    }
    list.clear();
    // Only the blank separates; a lone CR or LF stays inside its entry.
    size_t at = 0;
    for (;;) {
        at = rest.find_first_not_of(' ', at);
        if (at == std::string::npos) break;
        const size_t end = rest.find(' ', at);
        list.push_back(rest.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end;
    }
    return true;
}

std::array<NodeConnectionClient*, 6> NetworkNodeClient::StreamServers() {
    return {&mSENode, &mSTNode, &mTTNode, &mCSCNode, &mVTNode, &mEVNode};
}

NodeConnectionClient* NetworkNodeClient::StreamServerOf(const std::string& dataType) {
    struct Kind {
        const char* dataType;
        NodeConnectionClient* node;
    };
    const Kind dispatchOrder[] = {
        {streamtypes::kSingleElectrode, &mSENode}, {streamtypes::kStereotrode, &mSTNode},
        {streamtypes::kTetrode, &mTTNode},         {streamtypes::kContinuousChannel, &mCSCNode},
        {streamtypes::kEvent, &mEVNode},           {streamtypes::kVideoTracker, &mVTNode},
    };
    for (const Kind& kind : dispatchOrder) {
        if (dataType == kind.dataType) return kind.node;
    }
    return nullptr;
}

bool NetworkNodeClient::OpenStream(const std::string& objectName, const std::string& dataType) {
    if (!mInitialized) return false;
    const size_t pairs = std::min(mObjectNames.size(), mDataTypes.size());
    bool known = false;
    for (size_t i = 0; i < pairs && !known; ++i) known = mObjectNames[i] == objectName && mDataTypes[i] == dataType;
    if (!known) {
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kOpenBadPairing, objectName.c_str(), dataType.c_str()));
        return false;
    }
    NodeConnectionClient* node = StreamServerOf(dataType);
    if (node == nullptr) {
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kOpenBadType, dataType.c_str()));
        return false;
    }
    if (!node->AddStreamObject(objectName)) return false;
    std::string reply;
    SendMessage(FormatText("-OpenStream %s %s", objectName.c_str(), dataType.c_str()));
    RecieveMessage(reply);
    return true;
}

// Neither the connection nor the lists are checked: while not connected the
// stream server's count still goes down, and the refused send changes
// nothing of the result.
bool NetworkNodeClient::CloseStream(const std::string& objectName, const std::string& dataType) {
    NodeConnectionClient* node = StreamServerOf(dataType);
    if (node == nullptr) {
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kCloseBadType, dataType.c_str()));
        return false;
    }
    if (!node->RemoveStreamObject(objectName)) return false;
    std::string reply;
    SendMessage(FormatText("-CloseStream %s %s", objectName.c_str(), dataType.c_str()));
    RecieveMessage(reply);
    return true;
}

void NetworkNodeClient::StopStreamServers(bool all) {
    for (NodeConnectionClient* node : StreamServers()) {
        if (all || node->HoldsServerStream()) node->CloseServerStream();
    }
}

void NetworkNodeClient::SetCallbackFunctionSE(StreamCallbackFunction callback, void* context) {
    mSENode.SetCallbackFunctionSE(callback, context);
}
void NetworkNodeClient::SetCallbackFunctionST(StreamCallbackFunction callback, void* context) {
    mSTNode.SetCallbackFunctionST(callback, context);
}
void NetworkNodeClient::SetCallbackFunctionTT(StreamCallbackFunction callback, void* context) {
    mTTNode.SetCallbackFunctionTT(callback, context);
}
void NetworkNodeClient::SetCallbackFunctionCSC(StreamCallbackFunction callback, void* context) {
    mCSCNode.SetCallbackFunctionCSC(callback, context);
}
void NetworkNodeClient::SetCallbackFunctionEV(StreamCallbackFunction callback, void* context) {
    mEVNode.SetCallbackFunctionEV(callback, context);
}
void NetworkNodeClient::SetCallbackFunctionVT(StreamCallbackFunction callback, void* context) {
    mVTNode.SetCallbackFunctionVT(callback, context);
}
