// NetworkNodeClient: sending and receiving one framed message.
#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "channel/MessageFrame.h"
#include "channel/NetworkNodeClient.h"
#include "channel/SendAll.h"
#include "channel/SocketErrorTables.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

const char* const kSendAllocFailed =
    "NetworkNodeClient::SendMessage() - Error allocating memory to passed message to server, pointer returned a "
    "NULL value.  bufferLength: %i";
const char* const kSendFailed =
    "NetworkNodeClient::SendMessage() - Unable to send data, call to send() failed, we must have lost our socket.  "
    "message: %s";
const char* const kSendShort =
    "NetworkNodeClient::SendMessage() - The Number of bytes to send does not match the number of bytes sent, bytes "
    "sent: %i, bytes to send: %i";
const char* const kRecvBadSize =
    "NetworkNodeClient::RecieveMessage() - Invalid message size for recieving message, messageSize: %i";
const char* const kRecvAllocFailed =
    "NetworkNodeClient::RecieveMessage() - Error allocating memory for recieving a message, point returned a NULL";
const char* const kGetBufferClosed =
    "NetworkNodeClient::GetBuffer() - Attempting to recieve data has failed, socket has been closed gracefully";

const char* const kVersionTooLow = "Error, invalid version number, data has been corrupted or improperly formatted";
const char* const kVersionUnsupported =
    "Error, this Version of Tamberlow Network Communication is not Supported, please update to the latest version of "
    "the software.  Version #";
const char* const kBadValidation = "Error, invalid validation code, data has been corrupted or improperly formatted";
const char* const kHeaderBoxCaption = "Kovane Client - Message Error";

const char* const kFailedReply = "-1";

constexpr long long kShortFrameSize = 256;
// The first block of a received payload; it doubles until the payload fits.
constexpr int kFirstPayloadBlock = 64 * 1024;

}  // namespace

bool NetworkNodeClient::SendMessage(const std::string& message) {
    if (!mInitialized) return false;
    const size_t n = message.size() + 1;
    if (n > static_cast<size_t>(INT_MAX)) return SendMessage(nullptr, INT_MAX);  // too long: the allocation line
    return SendMessage(reinterpret_cast<const unsigned char*>(message.c_str()), static_cast<int>(n));
}

bool NetworkNodeClient::SendMessage(const unsigned char* data, int length) {
    if (!mInitialized) return false;
    const long long bufferLength = static_cast<long long>(frame::kHeaderSize) + length;
    // Commands are short: their frames are built on the stack, and only a
    // long message takes a block from the heap, whose failure is reported.
    unsigned char shortFrame[kShortFrameSize];
    std::unique_ptr<unsigned char[]> longFrame;
    unsigned char* buffer = nullptr;
    if (length >= 0 && bufferLength <= kShortFrameSize) {
        buffer = shortFrame;
    } else if (length >= 0 && bufferLength <= INT_MAX) {
        longFrame.reset(new (std::nothrow) unsigned char[bufferLength]());
        buffer = longFrame.get();
    }
    if (buffer == nullptr) {
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kSendAllocFailed, static_cast<int>(bufferLength)));
        return false;
    }
    frame::WriteHeader(buffer, length);
    if (length > 0) std::copy(data, data + length, buffer + frame::kHeaderSize);

    const int total = static_cast<int>(bufferLength);
    const platform::Socket socket = mSocket;
    const SendProgress progress = SendAll(
        buffer, total, [socket](const unsigned char* d, int n) { return platform::Send(socket, d, n); });

    if (progress.lastResult == platform::kSocketError) {
        ProcessSendError(platform::LastSocketError());
        mLogFile.WriteLogEntry(LogLevel::Error,
                               FormatText(kSendFailed, frame::PayloadText(buffer + frame::kHeaderSize, length).c_str()));
        ShutdownClient();
        return false;
    }
    if (!progress.Complete(total)) {
        // A send that takes nothing leaves part of the frame unsent: the server
        // would read every later message out of step, so the connection ends.
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kSendShort, progress.sent, total));
        ShutdownClient();
        return false;
    }
    return true;
}

void NetworkNodeClient::ReleaseMessageBuffer(unsigned char*& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

bool NetworkNodeClient::RecieveMessage(unsigned char*& buffer, int& size) {
    if (!mInitialized) return false;

    unsigned char start[frame::kFrameStartSize];
    if (!GetBuffer(start, sizeof start)) return false;
    const std::int32_t version = frame::ReadInt32(start);
    switch (frame::CheckFrameStart(version, frame::ReadUint32(start + 4))) {
        case frame::FrameStart::VersionTooLow: ReportHeaderError(kVersionTooLow); return false;
        case frame::FrameStart::VersionUnsupported:
            ReportHeaderError(kVersionUnsupported + std::to_string(version));
            return false;
        case frame::FrameStart::BadValidationCode: ReportHeaderError(kBadValidation); return false;
        case frame::FrameStart::Ok: break;
    }

    unsigned char sizeField[frame::kSizeFieldSize];
    if (!GetBuffer(sizeField, sizeof sizeField)) return false;
    const std::int32_t messageSize = frame::ReadInt32(sizeField);
    if (messageSize < 1) {
        mLogFile.WriteLogEntry(LogLevel::Error, FormatText(kRecvBadSize, messageSize));
        // Where this frame ends is unknown, so no later frame can be found.
        ShutdownClient();
        return false;
    }

    ReleaseMessageBuffer(buffer);
    // The announced size is only a claim until the bytes are here: the block
    // starts small and doubles as the payload arrives, so a header announcing
    // a gigabyte and then nothing costs what actually came.
    int capacity = std::min(messageSize, kFirstPayloadBlock);
    buffer = new (std::nothrow) unsigned char[static_cast<size_t>(capacity)]();
    int received = 0;
    for (;;) {
        if (buffer == nullptr) {
            mLogFile.WriteLogEntry(LogLevel::Error, kRecvAllocFailed);
            ShutdownClient();  // the payload stays unread: the stream is out of step
            return false;
        }
        if (!GetBuffer(buffer + received, capacity - received)) return false;  // the block stays with the caller
        received = capacity;
        if (received == messageSize) break;
        const int next = capacity > messageSize / 2 ? messageSize : capacity * 2;
        unsigned char* grown = new (std::nothrow) unsigned char[static_cast<size_t>(next)]();
        if (grown == nullptr) {
            mLogFile.WriteLogEntry(LogLevel::Error, kRecvAllocFailed);
            ShutdownClient();
            return false;  // what arrived stays with the caller
        }
        std::copy(buffer, buffer + received, grown);
        delete[] buffer;
        buffer = grown;
        capacity = next;
    }
    size = messageSize;
    return true;
}

bool NetworkNodeClient::RecieveMessage(std::string& reply) {
    unsigned char* buffer = nullptr;
    int size = 0;
    const bool received = RecieveMessage(buffer, size);
    reply = received ? frame::PayloadText(buffer, size) : kFailedReply;
    ReleaseMessageBuffer(buffer);
    return received;
}

// The rest of a rejected frame is still on the wire and nothing marks where
// the next one begins, so after the box the connection ends.
void NetworkNodeClient::ReportHeaderError(const std::string& text) {
    platform::ShowMessageBox(text, kHeaderBoxCaption, nullptr, platform::kIconError);
    ShutdownClient();
}

bool NetworkNodeClient::GetBuffer(unsigned char* buffer, int bufferSize) {
    int remaining = bufferSize;
    int received = 0;
    while (remaining > 0) {
        if (mReceiveStore.Available() > 0) {
            const int n = mReceiveStore.Take(buffer + received, remaining);
            remaining -= n;
            received += n;
            continue;
        }
        // Small requests read ahead into the store; a large payload goes
        // straight into the caller's block.
        const bool ahead = remaining < ReceiveStore::kCapacity;
        unsigned char* const into = ahead ? mReceiveStore.Space() : buffer + received;
        const int n = platform::Receive(mSocket, into, ahead ? ReceiveStore::kCapacity : remaining);
        if (n == 0) {
            mLogFile.WriteLogEntry(LogLevel::Notice, kGetBufferClosed);
            ShutdownClient();
            return false;
        }
        if (n == platform::kSocketError) {
            const int code = platform::LastSocketError();
            if (code == platform::wsa::kInterrupted) continue;  // a signal, not the connection: read on
            ProcessRecieveError(code);
            // Part of a frame may already be read: the stream is out of step.
            ShutdownClient();
            return false;
        }
        if (ahead) {
            mReceiveStore.Filled(n);
            continue;
        }
        remaining -= n;
        received += n;
    }
    return true;
}

void NetworkNodeClient::ProcessSendError(int errorCode) { LogTableLine(errortables::kSend, errorCode); }

void NetworkNodeClient::ProcessRecieveError(int errorCode) { LogTableLine(errortables::kRecieve, errorCode); }
