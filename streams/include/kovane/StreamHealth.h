#pragma once
// How each live data stream is doing, so an application can tell a stream
// that went quiet (connected, figures standing still) from one that died
// (not connected). The figures count from the client's construction and go
// on across reconnections; rates are differences between two readings.
#include <cstdint>

// The six kinds of live data stream.
enum class StreamKind { SE, ST, TT, CSC, EV, VT };

struct StreamHealth {
    // The server's data connection to this stream is up: from its accept
    // until the server closes it, it fails, or the client stops the stream.
    bool mConnected = false;
    // Records handed to the kind's callback.
    std::uint64_t mRecordsDelivered = 0;
    // Records dropped because their source field named no object the client
    // knows (each also writes its line to the client log).
    std::uint64_t mRecordsRejected = 0;
    // Bytes received on the data connection: besides the records delivered
    // and rejected, a record still incomplete, and the records that had
    // arrived but were not handed out because the stream was being stopped.
    std::uint64_t mBytesReceived = 0;
};
