// The round trip of "-GetTimestamp" through NetworkNodeClient (SendMessage,
// then RecieveMessage) and through KovaneClient::SendCommandToServer, each
// against the raw limit: the same 26-byte request frame and the same reply
// frame ping-ponged over a bare loopback socket, to the same responder, in
// the same run. Reported as the ratios to raw.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <kovane/KovaneClient.h>

#include "channel/MessageFrame.h"
#include "channel/NetworkNodeClient.h"
#include "channel/SendAll.h"
#include "platform/Sockets.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ReadExactly(platform::Socket s, unsigned char* buffer, int size) {
    for (int got = 0; got < size;) {
        const int n = platform::Receive(s, buffer + got, size - got);
        if (n <= 0) return false;
        got += n;
    }
    return true;
}

bool SendBytes(platform::Socket s, const unsigned char* data, int size) {
    return SendAll(data, size, [s](const unsigned char* d, int n) { return platform::Send(s, d, n); }).Complete(size);
}

// Answers every frame on a connection with one fixed reply frame, as a server
// answers "-GetTimestamp"; one thread per connection.
class Responder {
public:
    Responder() : mReply(frame::EncodeTextFrame("0 1700000000000000")) {
        mListener = platform::CreateTcpSocket();
        platform::Bind(mListener, {127, 0, 0, 1}, 0);
        platform::Listen(mListener, 4);
        mPort = platform::LocalPort(mListener);
    }
    ~Responder() {
        platform::ShutdownSocket(mListener);
        platform::CloseSocket(mListener);
        for (auto& t : mThreads) t.join();
    }
    int Port() const { return mPort; }
    const std::vector<unsigned char>& Reply() const { return mReply; }

    // Serves the next connection made to it.
    void ServeOne() {
        mThreads.emplace_back([this] {
            const platform::Socket c = platform::Accept(mListener);
            if (c == platform::kInvalidSocket) return;
            std::vector<unsigned char> payload;
            unsigned char header[frame::kHeaderSize];
            while (ReadExactly(c, header, sizeof header)) {
                payload.resize(static_cast<size_t>(frame::ReadInt32(header + 8)));
                if (!ReadExactly(c, payload.data(), static_cast<int>(payload.size()))) break;
                if (!SendBytes(c, mReply.data(), static_cast<int>(mReply.size()))) break;
            }
            platform::CloseSocket(c);
        });
    }

private:
    platform::Socket mListener;
    int mPort = 0;
    std::vector<unsigned char> mReply;
    std::vector<std::thread> mThreads;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int perBlock = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int blocks = 9;
    platform::SocketStartup(0x0101);
    Responder responder;

    responder.ServeOne();
    const platform::Socket raw = platform::CreateTcpSocket();
    if (platform::Connect(raw, {127, 0, 0, 1}, static_cast<std::uint16_t>(responder.Port())) != 0) {
        std::fprintf(stderr, "cannot connect the raw socket\n");
        return 1;
    }
    responder.ServeOne();
    NetworkNodeClient client;
    if (!client.InitializeClient("localhost", responder.Port())) {
        std::fprintf(stderr, "cannot connect the client\n");
        return 1;
    }

    responder.ServeOne();
    // The direct port is the responder's; the port-query port is not used.
    KovaneClient kovane(responder.Port(), responder.Port());
    if (!kovane.Connect("localhost", false) && !kovane.AreWeConnected()) {
        std::fprintf(stderr, "cannot connect KovaneClient\n");
        return 1;
    }

    const std::vector<unsigned char> request = frame::EncodeTextFrame("-GetTimestamp");
    std::vector<unsigned char> reply(responder.Reply().size());
    const auto rawBlock = [&] {
        const auto start = Clock::now();
        for (int i = 0; i < perBlock; ++i) {
            SendBytes(raw, request.data(), static_cast<int>(request.size()));
            ReadExactly(raw, reply.data(), static_cast<int>(reply.size()));
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / perBlock;
    };
    std::string text;
    bool ok = true;
    const auto channelBlock = [&] {
        const auto start = Clock::now();
        for (int i = 0; i < perBlock; ++i) {
            ok = client.SendMessage("-GetTimestamp") && client.RecieveMessage(text) && ok;
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / perBlock;
    };

    std::string kovaneReply;
    const auto kovaneBlock = [&] {
        const auto start = Clock::now();
        for (int i = 0; i < perBlock; ++i) ok = kovane.SendCommandToServer("-GetTimestamp", kovaneReply) && ok;
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / perBlock;
    };

    rawBlock();  // warm up every path
    channelBlock();
    kovaneBlock();
    std::vector<double> rawTimes, channelTimes, kovaneTimes;
    for (int b = 0; b < blocks; ++b) {  // interleaved, so drift in the machine touches all alike
        rawTimes.push_back(rawBlock());
        channelTimes.push_back(channelBlock());
        kovaneTimes.push_back(kovaneBlock());
    }
    if (!ok || text != "0 1700000000000000" || kovaneReply != text) {
        std::fprintf(stderr, "the client's exchanges failed\n");
        return 1;
    }
    const double r = Median(rawTimes);
    const double c = Median(channelTimes);
    const double k = Median(kovaneTimes);
    std::printf("round trip of -GetTimestamp, median of %d blocks of %d\n", blocks, perBlock);
    std::printf("  raw loopback ping-pong:            %8.2f us\n", r);
    std::printf("  SendMessage + RecieveMessage:      %8.2f us\n", c);
    std::printf("  KovaneClient::SendCommandToServer: %8.2f us\n", k);
    std::printf("  ratio channel / raw:               %8.3f\n", c / r);
    std::printf("  ratio KovaneClient / raw:          %8.3f (goal: 1.25 at most)\n", k / r);
    platform::CloseSocket(raw);
    return 0;
}
