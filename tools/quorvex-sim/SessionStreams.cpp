#include "tools/quorvex-sim/SessionStreams.h"

#include <sstream>

#include "tools/quorvex-sim/SimServer.h"

namespace sim {
namespace {

bool ParseDotted(const std::string& text, platform::Ipv4Address& address) {
    std::istringstream in(text);
    int parts[4];
    char dot;
    for (int i = 0; i < 4; ++i) {
        if (!(in >> parts[i]) || parts[i] < 0 || parts[i] > 255) return false;
        if (i < 3 && (!(in >> dot) || dot != '.')) return false;
        address[i] = static_cast<std::uint8_t>(parts[i]);
    }
    return in.peek() == std::char_traits<char>::eof();
}

std::string Dotted(const platform::Ipv4Address& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

}  // namespace

SessionStreams::~SessionStreams() {
    std::lock_guard<std::mutex> lock(mLock);
    for (auto& [type, sender] : mSenders) sender->Stop();
}

void SessionStreams::Create(const std::string& arguments) {
    std::istringstream in(arguments);
    std::string addressText, dataType;
    int port = 0;
    in >> addressText >> port >> dataType;
    const StreamKindInfo* kind = FindStreamKind(dataType);
    if (kind == nullptr) {
        mServer.Say("stream " + dataType + ": not a data type of any stream, nothing sent");
        return;
    }
    platform::Ipv4Address address{};
    const bool parsed = ParseDotted(addressText, address);
    const platform::Ipv4Address loopback{127, 0, 0, 1};
    if (!parsed || (address[0] != 127 && !mServer.Options().streamAnyAddress)) {
        mServer.Say(std::string("stream ") + kind->code + ": " + (addressText.empty() ? "(no address)" : addressText) +
                    " is not a loopback address, connecting to 127.0.0.1 instead");
        address = loopback;
    }
    SimServer& server = mServer;
    std::int64_t resetAfter = -1;
    for (const SimFault& fault : mServer.Options().faults) {
        if (fault.kind == SimFault::Kind::StreamReset && (fault.command.empty() || fault.command == kind->code)) {
            resetAfter = fault.value;
        }
    }
    auto sender = std::make_unique<StreamSender>(
        *kind, server.StreamRate(kind->code), [&server] { return server.Timestamp(); },
        [&server](const std::string& text) { server.Say(text); }, resetAfter);
    const int error = sender->Connect(address, static_cast<std::uint16_t>(port));
    if (error != 0) {
        mServer.Say(std::string("stream ") + kind->code + ": cannot connect to " + Dotted(address) + ":" +
                    std::to_string(port) + " (error " + std::to_string(error) + ")");
        return;
    }
    mServer.Say(std::string("stream ") + kind->code + " connected to " + Dotted(address) + ":" + std::to_string(port));
    std::lock_guard<std::mutex> lock(mLock);
    // A second stream of one type replaces the first.
    auto& slot = mSenders[dataType];
    if (slot) slot->Stop();
    slot = std::move(sender);
}

void SessionStreams::Open(const std::string& arguments) {
    std::istringstream in(arguments);
    std::string name, dataType;
    in >> name >> dataType;
    std::vector<std::string> names, types;
    for (const SimObject& object : mServer.Options().objects) {
        names.push_back(object.name);
        types.push_back(object.dataType);
    }
    const int index = SourceIndexOf(names, types, name, dataType);
    std::lock_guard<std::mutex> lock(mLock);
    const auto sender = mSenders.find(dataType);
    if (index < 0 || sender == mSenders.end()) {
        mServer.Say("stream " + name + " " + dataType + ": no such object or no stream of its type, nothing sent");
        return;
    }
    sender->second->Open(name, static_cast<std::uint32_t>(index));
}

void SessionStreams::Close(const std::string& arguments) {
    std::istringstream in(arguments);
    std::string name, dataType;
    in >> name >> dataType;
    std::lock_guard<std::mutex> lock(mLock);
    const auto sender = mSenders.find(dataType);
    if (sender != mSenders.end()) sender->second->Close(name);
}

}  // namespace sim
