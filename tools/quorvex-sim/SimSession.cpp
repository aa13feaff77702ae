#include "tools/quorvex-sim/SimSession.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "channel/MessageFrame.h"
#include "channel/SendAll.h"
#include "tools/quorvex-sim/CommandTable.h"
#include "tools/quorvex-sim/SimServer.h"

namespace sim {
namespace {

// A log line stays one line whatever the command holds.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7f) {
            static const char* const kHex = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// What an announce fault sends of the payload it announced.
constexpr size_t kAnnouncedBytesSent = 16;

}  // namespace

SimSession::SimSession(SimServer& server, platform::Socket socket, int connectionId, int listenPort, bool queryPort)
    : mServer(server),
      mSocket(socket),
      mConnectionId(connectionId),
      mListenPort(listenPort),
      mQueryPort(queryPort),
      mStreams(server) {
    platform::SetNoDelay(mSocket, true);
}

SimSession::~SimSession() {
    if (mSocket != platform::kInvalidSocket) platform::CloseSocket(mSocket);
}

void SimSession::Run() {
    std::vector<unsigned char> payload;
    while (ReadFrame(payload)) {
        const std::string text = frame::PayloadText(payload.data(), static_cast<int>(payload.size()));
        mServer.LogCommand(mConnectionId, mListenPort, Printable(text));
        const size_t blank = text.find(' ');
        const std::string word = text.substr(0, blank);
        const std::string arguments = blank == std::string::npos ? std::string() : text.substr(blank + 1);
        const int all = ++mCommandCounts[""];
        const int ofWord = ++mCommandCounts["@" + word];

        for (const SimFault& fault : mServer.Options().faults) {
            if (fault.kind != SimFault::Kind::CloseAt) continue;
            if (fault.command.empty() ? all == fault.value : fault.command == word && ofWord == fault.value) return;
        }
        // A hung server: the command was heard, and the client waits in vain.
        const auto& faults = mServer.Options().faults;
        if (std::any_of(faults.begin(), faults.end(), [&](const SimFault& fault) {
                return fault.kind == SimFault::Kind::Silent && (fault.command.empty() || fault.command == word);
            })) {
            continue;
        }

        const auto& overrides = mServer.Options().replies;
        auto exact = overrides.find(text);
        if (exact == overrides.end()) exact = overrides.find(word);
        std::vector<unsigned char> reply;
        if (exact != overrides.end()) {
            reply = exact->second;
        } else {
            const auto handler = CommandTable().find(word);
            reply = handler != CommandTable().end() ? handler->second(*this, arguments) : TextPayload("-1");
            if (word == "-GetTimestamp") {
                for (const SimFault& fault : mServer.Options().faults) {
                    if (fault.kind == SimFault::Kind::TimestampStatus) {
                        reply = TextPayload(std::to_string(fault.value) + " 0");
                    }
                }
            }
        }
        if (!SendReply(word, reply)) return;
    }
}

bool SimSession::ReadExactly(unsigned char* buffer, int size) {
    int got = 0;
    while (got < size) {
        const int n = platform::Receive(mSocket, buffer + got, size - got);
        if (n <= 0) {
            if (n < 0 && platform::LastSocketError() == platform::wsa::kInterrupted) continue;
            return false;
        }
        got += n;
    }
    return true;
}

// A client's frame that fails its checks ends the connection: there is no
// way to find the next one.
bool SimSession::ReadFrame(std::vector<unsigned char>& payload) {
    unsigned char header[frame::kHeaderSize];
    if (!ReadExactly(header, sizeof header)) return false;
    if (frame::CheckFrameStart(frame::ReadInt32(header), frame::ReadUint32(header + 4)) != frame::FrameStart::Ok) {
        return false;
    }
    const std::int32_t size = frame::ReadInt32(header + 8);
    if (size < 1) return false;
    payload.resize(static_cast<size_t>(size));
    return ReadExactly(payload.data(), size);
}

bool SimSession::SendBytes(const unsigned char* data, int size) {
    const platform::Socket socket = mSocket;
    return SendAll(data, size, [socket](const unsigned char* d, int n) { return platform::Send(socket, d, n); })
        .Complete(size);
}

bool SimSession::SendReply(const std::string& word, const std::vector<unsigned char>& payload) {
    std::vector<unsigned char> bytes = frame::EncodeFrame(payload.data(), static_cast<int>(payload.size()));
    std::int32_t version = frame::kVersion;
    std::uint32_t validation = frame::kValidationCode;
    std::int32_t size = static_cast<std::int32_t>(payload.size());
    std::int64_t cut = -2;  // none
    std::int64_t segment = 0;
    std::int64_t announce = 0;  // none
    bool raw = false;
    for (const SimFault& fault : mServer.Options().faults) {
        if (!fault.command.empty() && fault.command != word) continue;
        switch (fault.kind) {
            case SimFault::Kind::Version: version = static_cast<std::int32_t>(fault.value); break;
            case SimFault::Kind::Validation: validation = static_cast<std::uint32_t>(fault.value); break;
            case SimFault::Kind::Size:
                size = static_cast<std::int32_t>(fault.value);
                bytes.resize(frame::kHeaderSize);
                break;
            case SimFault::Kind::Cut: cut = fault.value; break;
            case SimFault::Kind::Segments: segment = fault.value; break;
            case SimFault::Kind::Announce: announce = fault.value; break;
            case SimFault::Kind::Raw: raw = true; break;
            default: break;
        }
    }
    frame::WriteHeader(bytes.data(), size, version, validation);

    if (raw) return SendBytes(payload.data(), static_cast<int>(payload.size()));
    if (announce > 0) {
        // The header promises the bytes; a few come, the rest never does.
        frame::WriteHeader(bytes.data(), static_cast<std::int32_t>(announce), version, validation);
        const size_t few = std::min<size_t>(
            {bytes.size() - frame::kHeaderSize, static_cast<size_t>(announce), kAnnouncedBytesSent});
        return SendBytes(bytes.data(), static_cast<int>(frame::kHeaderSize + few));
    }

    if (cut != -2) {
        const size_t keep = cut < 0 ? bytes.size() / 2 : std::min<size_t>(bytes.size(), static_cast<size_t>(cut));
        SendBytes(bytes.data(), static_cast<int>(keep));
        return false;  // and the connection closes
    }
    if (segment > 0) {
        for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(segment)) {
            const size_t n = std::min<size_t>(static_cast<size_t>(segment), bytes.size() - at);
            if (!SendBytes(bytes.data() + at, static_cast<int>(n))) return false;
            // A pause between the pieces, so each arrives as a segment of its own.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    return SendBytes(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace sim
