// Records per second delivered by each kind of stream server to a trivial
// callback, against a raw loopback reader (large reads, no framing) of the
// same byte stream from the same sender, measured in the same run. The
// ratio is what counts: the raw reader is the limit of this machine.
//
//   bench_stream_throughput [megabytes per trial, default 256] [trials, default 3]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "log/ClientLogFile.h"
#include "platform/Sockets.h"
#include "streams/NodeConnectionClientCSC.h"
#include "streams/NodeConnectionClientEV.h"
#include "streams/NodeConnectionClientSE.h"
#include "streams/NodeConnectionClientST.h"
#include "streams/NodeConnectionClientTT.h"
#include "streams/NodeConnectionClientVT.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kNames = 4;

struct Kind {
    const char* label;
    std::function<std::unique_ptr<NodeConnectionClient>()> make;
    void (NodeConnectionClient::*slot)(StreamCallbackFunction, void*);
    const char* dataType;
    int fieldOffset;  // -1: none
    int fieldWidth;
};

template <class T>
std::unique_ptr<NodeConnectionClient> Make() {
    return std::make_unique<T>();
}

const Kind kKinds[] = {
    {"SE", Make<NodeConnectionClientSE>, &NodeConnectionClient::SetCallbackFunctionSE, "SEScAcqEnt", 8, 4},
    {"ST", Make<NodeConnectionClientST>, &NodeConnectionClient::SetCallbackFunctionST, "STScAcqEnt", 8, 4},
    {"TT", Make<NodeConnectionClientTT>, &NodeConnectionClient::SetCallbackFunctionTT, "TTScAcqEnt", 8, 4},
    {"CSC", Make<NodeConnectionClientCSC>, &NodeConnectionClient::SetCallbackFunctionCSC, "CscAcqEnt", 8, 4},
    {"EV", Make<NodeConnectionClientEV>, &NodeConnectionClient::SetCallbackFunctionEV, "EventAcqEnt", -1, 0},
    {"VT", Make<NodeConnectionClientVT>, &NodeConnectionClient::SetCallbackFunctionVT, "VTAcqEnt", 2, 2},
};

// About 1 MiB of whole records whose sources cycle through the names.
std::vector<unsigned char> MakeBlock(const Kind& kind, int recordSize) {
    const int records = (1 << 20) / recordSize;
    std::vector<unsigned char> block(static_cast<size_t>(records) * recordSize);
    for (int r = 0; r < records; ++r) {
        unsigned char* record = block.data() + static_cast<size_t>(r) * recordSize;
        for (int i = 0; i < recordSize; ++i) record[i] = static_cast<unsigned char>(r + i);
        if (kind.fieldOffset >= 0) {
            std::memset(record + kind.fieldOffset, 0, static_cast<size_t>(kind.fieldWidth));
            record[kind.fieldOffset] = static_cast<unsigned char>(r % kNames);
        }
    }
    return block;
}

// The sender, the same for both readers: sends the block again and again
// until total bytes are out, then closes.
void SendStream(int port, const std::vector<unsigned char>& block, long long total) {
    const platform::Socket s = platform::CreateTcpSocket();
    if (platform::Connect(s, {127, 0, 0, 1}, static_cast<std::uint16_t>(port)) != 0) {
        std::fprintf(stderr, "connect failed: %d\n", platform::LastSocketError());
        std::exit(1);
    }
    long long sent = 0;
    while (sent < total) {
        const size_t offset = static_cast<size_t>(sent % static_cast<long long>(block.size()));
        const int chunk = static_cast<int>(std::min<long long>(block.size() - offset, total - sent));
        const int n = platform::Send(s, block.data() + offset, chunk);
        if (n <= 0) break;
        sent += n;
    }
    platform::CloseSocket(s);
}

// Seconds for the raw reader to take total bytes.
double RawTrial(const std::vector<unsigned char>& block, long long total) {
    const platform::Socket listener = platform::CreateTcpSocket();
    platform::Bind(listener, {127, 0, 0, 1}, 0);
    platform::Listen(listener, 2);
    const int port = platform::LocalPort(listener);
    const auto start = Clock::now();
    std::thread sender(SendStream, port, std::cref(block), total);
    const platform::Socket c = platform::Accept(listener);
    std::vector<unsigned char> buffer(256 * 1024);
    long long received = 0;
    for (;;) {
        const int n = platform::Receive(c, buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) break;
        received += n;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    platform::CloseSocket(c);
    platform::CloseSocket(listener);
    if (received != total) std::fprintf(stderr, "raw reader got %lld of %lld bytes\n", received, total);
    return seconds;
}

std::atomic<long long> gDelivered{0};

void CountRecord(void*, const unsigned char*, int recordCount, std::string) {
    gDelivered.fetch_add(recordCount, std::memory_order_relaxed);
}

// Seconds for a stream server of the kind to deliver every record of total bytes.
double StreamTrial(const Kind& kind, const std::vector<unsigned char>& block, long long total) {
    ClientLogFile log;  // closed: lines are dropped
    auto server = kind.make();
    server->SetLogFile(log);
    std::vector<std::string> names, types;
    for (int i = 0; i < kNames; ++i) {
        names.push_back("Object" + std::to_string(i));
        types.push_back(kind.dataType);
    }
    server->UpdateObjectNameList(names, types);
    static int context;
    (server.get()->*kind.slot)(&CountRecord, &context);
    if (!server->InitServerStream(0)) {
        std::fprintf(stderr, "InitServerStream failed\n");
        std::exit(1);
    }
    const long long expected = total / server->GetRecordSize();
    gDelivered = 0;
    const auto start = Clock::now();
    std::thread sender(SendStream, server->GetListeningPort(), std::cref(block), total);
    while (server->IsReceiving()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    server->CloseServerStream();
    if (gDelivered != expected) std::fprintf(stderr, "%s delivered %lld of %lld records\n", kind.label,
                                             gDelivered.load(), expected);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 256;
    const int trials = argc > 2 ? std::atoi(argv[2]) : 3;
    platform::SocketStartup(0x0101);

    std::printf("%-4s %7s %14s %12s %12s %7s\n", "kind", "record", "records/s", "stream MB/s", "raw MB/s", "ratio");
    for (const Kind& kind : kKinds) {
        const int recordSize = kind.make()->GetRecordSize();
        const auto block = MakeBlock(kind, recordSize);
        // Whole records only, so the stream server delivers all of them.
        const long long total = (megabytes << 20) / recordSize * recordSize;
        double bestStream = 1e9, bestRaw = 1e9;
        for (int t = 0; t < trials; ++t) {
            bestRaw = std::min(bestRaw, RawTrial(block, total));
            bestStream = std::min(bestStream, StreamTrial(kind, block, total));
        }
        const double streamRate = total / bestStream, rawRate = total / bestRaw;
        std::printf("%-4s %7d %14.0f %12.1f %12.1f %7.2f\n", kind.label, recordSize, streamRate / recordSize,
                    streamRate / 1e6, rawRate / 1e6, streamRate / rawRate);
    }
    return 0;
}
