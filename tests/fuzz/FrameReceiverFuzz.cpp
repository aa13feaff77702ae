// The frame receiver of the command connection, fed from the server's side
// of a real loopback connection to a real NetworkNodeClient.
//
// Input: byte 0 picks the session (bit 7) and the number of segments (bits
// 0..3); then one byte per segment gives its length less one; the rest are
// the server's bytes, cut into those segments in order, what is left over
// being one more segment. Every segment is sent on its own and the next only
// once the client has taken the one before from its socket, so a receive
// never sees more than one segment: header, size field and payload arrive
// split exactly where the input says.
//
// The server answers the client's identify request with a well-formed reply
// of its own; the input's bytes follow. The plain session then receives in
// both forms until the connection ends. The list session fetches the
// objects and types and opens and closes every pair, so the list replies
// reach ParseList and the six stream servers' name lists.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "channel/MessageFrame.h"
#include "channel/NetworkNodeClient.h"
#include "platform/MessageBox.h"
#include "platform/Sockets.h"
#include "tests/channel/NetworkNodeClientTestPeer.h"
#include "tests/fuzz/FuzzCheck.h"

// Huge message sizes are part of the input space. The sanitizer's allocator
// refuses blocks above this size and returns null, as a machine out of memory
// would, so such a frame takes the allocation failure path instead of ending
// the run. (The fuzzer itself takes blocks of some 20 MiB, so the limit
// stays above that.)
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=32"; }

namespace {

const platform::Ipv4Address kLoopback{127, 0, 0, 1};
constexpr int kMaxReceives = 64;
constexpr size_t kMaxListPairs = 8;

struct Listener {
    platform::Socket socket = platform::kInvalidSocket;
    int port = -1;

    Listener() {
        socket = platform::CreateTcpSocket();
        FUZZ_CHECK(socket != platform::kInvalidSocket);
        FUZZ_CHECK(platform::Bind(socket, kLoopback, 0) == 0);
        FUZZ_CHECK(platform::Listen(socket, 4) == 0);
        port = platform::LocalPort(socket);
    }
};

Listener& TheListener() {
    static Listener listener;
    return listener;
}

std::atomic<int> gBoxes{0};

void Setup() {
    static const bool done = [] {
        platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {
            ++gBoxes;
            return platform::kIdOk;
        });
        return true;
    }();
    (void)done;
}

std::vector<std::vector<std::uint8_t>> Segments(const std::uint8_t* data, size_t size, bool& listSession) {
    std::vector<std::vector<std::uint8_t>> segments;
    listSession = false;
    if (size == 0) return segments;
    listSession = (data[0] & 0x80) != 0;
    const int count = data[0] & 0x0F;
    size_t at = 1;
    std::vector<size_t> lengths;
    for (int i = 0; i < count && at < size; ++i) lengths.push_back(static_cast<size_t>(data[at++]) + 1);
    for (size_t length : lengths) {
        if (at >= size) break;
        const size_t n = std::min(length, size - at);
        segments.emplace_back(data + at, data + at + n);
        at += n;
    }
    if (at < size) segments.emplace_back(data + at, data + size);
    return segments;
}

// The server's side: accepts the client, sends each segment once the client
// has taken everything sent before, reads what the client sent, and closes.
void Serve(const std::vector<std::vector<std::uint8_t>>& segments, std::atomic<platform::Socket>& clientSocket,
           std::atomic<bool>& clientDone) {
    const platform::Socket connection = platform::Accept(TheListener().socket);
    if (connection == platform::kInvalidSocket) return;
    platform::SetNoDelay(connection, true);
    const std::vector<unsigned char> identify = frame::EncodeTextFrame("0 Fuzz Server");
    platform::Send(connection, identify.data(), static_cast<int>(identify.size()));
    // The input's bytes start once InitializeClient has read that reply.
    while (!clientDone && clientSocket == platform::kInvalidSocket) std::this_thread::yield();
    const auto drain = [&] {
        unsigned char scratch[4096];
        while (platform::WaitReadable(connection, 0) == 1) {
            if (platform::Receive(connection, scratch, sizeof scratch) <= 0) break;
        }
    };
    for (const auto& segment : segments) {
        if (clientDone) break;
        if (platform::Send(connection, segment.data(), static_cast<int>(segment.size())) !=
            static_cast<int>(segment.size())) {
            break;
        }
        // Taken once the client's socket has nothing left to read. After the
        // client has closed its socket the wait ends on its done flag.
        for (;;) {
            const platform::Socket s = clientSocket;
            if (clientDone || platform::WaitReadable(s, 0) == 0) break;
            std::this_thread::yield();
        }
        drain();
    }
    // Unread bytes at the close would turn the client's orderly end into a reset.
    drain();
    platform::ShutdownSocket(connection);
    platform::CloseSocket(connection);
}

void PlainSession(NetworkNodeClient& client) {
    unsigned char* buffer = nullptr;
    for (int i = 0; i < kMaxReceives; ++i) {
        bool received;
        if (i % 2 == 0) {
            std::string reply = "untouched";
            received = client.RecieveMessage(reply);
            if (!received) FUZZ_CHECK(reply == "-1");
        } else {
            int size = -7;
            received = client.RecieveMessage(buffer, size);
            if (received) FUZZ_CHECK(buffer != nullptr && size >= 1);
        }
        if (!received && NetworkNodeClientTestPeer::Socket(client) == platform::kInvalidSocket) break;
    }
    NetworkNodeClient::ReleaseMessageBuffer(buffer);
}

void ListSession(NetworkNodeClient& client) {
    std::vector<std::string> names{"before"}, types{"before"};
    if (!client.GetObjectsAndTypes(names, types)) return;
    const auto servers = NetworkNodeClientTestPeer::StreamServers(client);
    // Every kind's names are among the objects, in the server's order.
    for (NodeConnectionClient* server : servers) {
        for (const std::string& name : server->GetSourceNames()) {
            FUZZ_CHECK(std::find(names.begin(), names.end(), name) != names.end());
        }
    }
    const size_t pairs = std::min({names.size(), types.size(), kMaxListPairs});
    for (size_t i = 0; i < pairs; ++i) client.OpenStream(names[i], types[i]);
    for (size_t i = 0; i < pairs; ++i) client.CloseStream(names[i], types[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup();
    bool listSession = false;
    const auto segments = Segments(data, size, listSession);

    std::atomic<platform::Socket> clientSocket{platform::kInvalidSocket};
    std::atomic<bool> clientDone{false};
    {
        NetworkNodeClient client;
        // The log's lines are formed and written too, to nowhere.
        client.OpenLogFile("/dev/null");
        std::thread server(Serve, std::cref(segments), std::ref(clientSocket), std::ref(clientDone));
        const bool connected = client.InitializeClient("127.0.0.1", TheListener().port);
        if (connected) {
            clientSocket = NetworkNodeClientTestPeer::Socket(client);
            if (listSession) {
                ListSession(client);
            } else {
                PlainSession(client);
            }
        }
        clientDone = true;
        server.join();
        FUZZ_CHECK(connected);
    }
    return 0;
}
