#include "tools/virtual-titler/TitlerStreamDecoder.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace {

constexpr unsigned char kEsc = 0x1b;
constexpr std::size_t kHeaderLength = 5;        // ESC "00" and the two-character code
constexpr std::size_t kInitZeros = 14;
constexpr std::size_t kTimestampPrefixEnd = 8;  // header and "000"
constexpr std::size_t kLongestTimestamp = 20;   // "-9223372036854775808"

// The writer's own form only: "0", or an optional "-" and digits without a
// leading zero, that fits 64 bits. Anything else is a fault worth showing.
bool ParseTimestamp(const std::vector<unsigned char>& bytes, std::int64_t& value) {
    const std::string text(bytes.begin() + kTimestampPrefixEnd, bytes.end());
    const std::size_t digitsAt = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digitsAt || (text[digitsAt] == '0' && text.size() != 1)) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

std::string TitlerEvent::Describe() const {
    switch (kind) {
        case Kind::Init: return "init";
        case Kind::Timestamp: return "timestamp " + std::to_string(timestamp);
        case Kind::Garbage: break;
    }
    std::string text = "garbage";
    for (unsigned char b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", b);
        text += hex;
    }
    return text;
}

TitlerStreamDecoder::TitlerStreamDecoder(Sink sink) : mSink(std::move(sink)) {}

void TitlerStreamDecoder::Emit(TitlerEvent::Kind kind, std::int64_t timestamp) {
    TitlerEvent event;
    event.kind = kind;
    event.timestamp = timestamp;
    event.bytes = std::move(mBytes);
    event.lastByteAt = mLastAt;
    mBytes.clear();
    mState = State::Idle;
    mSink(event);
}

void TitlerStreamDecoder::EndPending() {
    if (mState == State::Idle) {
        return;
    }
    std::int64_t value = 0;
    if (mState == State::TimestampDigits && ParseTimestamp(mBytes, value)) {
        Emit(TitlerEvent::Kind::Timestamp, value);
    } else {
        Emit(TitlerEvent::Kind::Garbage);
    }
}

void TitlerStreamDecoder::BecomeGarbage() {
    mState = State::Garbage;
}

void TitlerStreamDecoder::Flush() {
    EndPending();
}

void TitlerStreamDecoder::Feed(unsigned char byte, std::int64_t at) {
    if (byte == kEsc) {
        EndPending();
        mBytes.push_back(byte);
        mLastAt = at;
        mState = State::Header;
        return;
    }
    if (mState == State::Garbage && mBytes.size() >= kGarbageLineBytes) {
        Emit(TitlerEvent::Kind::Garbage);
    }
    mBytes.push_back(byte);
    mLastAt = at;
    const std::size_t n = mBytes.size();
    switch (mState) {
        case State::Idle:
            BecomeGarbage();
            break;
        case State::Garbage:
            break;
        case State::Header:
            if (n <= 3) {
                if (byte != '0') {
                    BecomeGarbage();
                }
            } else if (n == kHeaderLength) {
                if (mBytes[3] == '2' && byte == '5') {
                    mState = State::InitZeros;
                } else if (mBytes[3] == '2' && byte == '8') {
                    mState = State::TimestampPrefix;
                } else {
                    BecomeGarbage();
                }
            }
            break;
        case State::InitZeros:
            if (byte != '0') {
                BecomeGarbage();
            } else if (n == kHeaderLength + kInitZeros) {
                Emit(TitlerEvent::Kind::Init);
            }
            break;
        case State::TimestampPrefix:
            if (byte != '0') {
                BecomeGarbage();
            } else if (n == kTimestampPrefixEnd) {
                mState = State::TimestampDigits;
            }
            break;
        case State::TimestampDigits: {
            const bool sign = byte == '-' && n == kTimestampPrefixEnd + 1;
            if ((!sign && (byte < '0' || byte > '9')) || n > kTimestampPrefixEnd + kLongestTimestamp) {
                BecomeGarbage();
            }
            break;
        }
    }
}
