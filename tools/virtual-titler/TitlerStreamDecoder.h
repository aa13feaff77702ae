#pragma once
// Splits the byte stream a titler receives into its commands. A command
// starts with ESC: ESC "00" "25" and fourteen "0" is the init command;
// ESC "00" "28" "000" and a signed decimal is a timestamp, whose digits end
// only where the next ESC begins or where the line goes quiet (the caller
// says so with Flush). Bytes that form no command come out as garbage.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TitlerEvent {
    enum class Kind { Init, Timestamp, Garbage };
    Kind kind = Kind::Garbage;
    std::int64_t timestamp = 0;       // for Kind::Timestamp
    std::vector<unsigned char> bytes;  // every byte of the command or the garbage
    std::int64_t lastByteAt = 0;       // when its last byte left the line, as the caller counts time

    // "init", "timestamp 987" or "garbage 1b 41 ...".
    std::string Describe() const;
};

class TitlerStreamDecoder {
public:
    using Sink = std::function<void(const TitlerEvent&)>;

    // Garbage comes out in pieces of at most this many bytes, so a noisy
    // line still prints lines of a readable length.
    static constexpr std::size_t kGarbageLineBytes = 32;

    explicit TitlerStreamDecoder(Sink sink);

    // One byte that left the line at `at`. Hands every command it completes to the sink.
    void Feed(unsigned char byte, std::int64_t at);
    // The line has gone quiet: what is pending ends here.
    void Flush();
    bool Pending() const { return mState != State::Idle; }

private:
    enum class State { Idle, Garbage, Header, InitZeros, TimestampPrefix, TimestampDigits };

    void Emit(TitlerEvent::Kind kind, std::int64_t timestamp = 0);
    void EndPending();
    void BecomeGarbage();

    Sink mSink;
    State mState = State::Idle;
    std::vector<unsigned char> mBytes;
    std::int64_t mLastAt = 0;
};
