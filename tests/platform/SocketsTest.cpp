#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sockets.h"

using namespace platform;

namespace {

const Ipv4Address kLoopback{127, 0, 0, 1};
const Ipv4Address kAny{0, 0, 0, 0};

// A thread that has not come back after this long is stuck for good; the
// limit only keeps a broken wake-up from hanging the whole run.
constexpr auto kStuck = std::chrono::seconds(20);

class SocketsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SocketStartup(0x0101), 0); }
    void TearDown() override {
        for (Socket s : mOpen) CloseSocket(s);
    }

    Socket Track(Socket s) {
        if (s != kInvalidSocket) mOpen.push_back(s);
        return s;
    }
    void Forget(Socket s) { std::erase(mOpen, s); }

    // A listener on a port the system hands out; its port in port.
    Socket Listener(int& port) {
        Socket s = Track(CreateTcpSocket());
        EXPECT_NE(s, kInvalidSocket);
        EXPECT_EQ(Bind(s, kAny, 0), 0);
        EXPECT_EQ(Listen(s, 4), 0);
        port = LocalPort(s);
        EXPECT_GT(port, 0);
        return s;
    }

    // A connected pair: client, and the server side accepted from listener.
    void Pair(Socket& client, Socket& server) {
        int port = 0;
        Socket listener = Listener(port);
        client = Track(CreateTcpSocket());
        ASSERT_EQ(Connect(client, kLoopback, static_cast<std::uint16_t>(port)), 0) << LastSocketError();
        server = Track(Accept(listener));
        ASSERT_NE(server, kInvalidSocket) << LastSocketError();
    }

    std::vector<Socket> mOpen;
};

TEST_F(SocketsTest, LoopbackCarriesBytesBothWaysAndReportsThePeersClose) {
    Socket client, server;
    Pair(client, server);

    ASSERT_EQ(Send(client, "ping", 5), 5);
    char buffer[16] = {};
    ASSERT_EQ(Receive(server, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "ping");

    ASSERT_EQ(Send(server, "pong", 4), 4);
    ASSERT_EQ(Receive(client, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "pong");

    ASSERT_EQ(CloseSocket(server), 0);
    Forget(server);
    EXPECT_EQ(Receive(client, buffer, sizeof buffer), 0);
}

TEST_F(SocketsTest, FailuresCarryTheirWindowsSocketsNumbers) {
    // A port that was just free and has no listener refuses.
    Socket probe = CreateTcpSocket();
    ASSERT_EQ(Bind(probe, kLoopback, 0), 0);
    const int port = LocalPort(probe);
    CloseSocket(probe);
    Socket s = Track(CreateTcpSocket());
    EXPECT_EQ(Connect(s, kLoopback, static_cast<std::uint16_t>(port)), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kConnectionRefused);

    Ipv4Address address{};
    EXPECT_EQ(ResolveIpv4("no-such-host.invalid", address), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kHostNotFound);

    Socket closed = CreateTcpSocket();
    ASSERT_EQ(CloseSocket(closed), 0);
    EXPECT_EQ(CloseSocket(closed), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kNotSocket);
    char byte = 0;
    EXPECT_EQ(Send(closed, &byte, 1), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kNotSocket);
    EXPECT_EQ(Receive(closed, &byte, 1), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kNotSocket);

    // Each thread keeps its own last error.
    std::thread([] {
        Socket t = CreateTcpSocket();
        CloseSocket(t);
        CloseSocket(t);
    }).join();
    EXPECT_EQ(LastSocketError(), wsa::kNotSocket);
    EXPECT_EQ(ResolveIpv4("no-such-host.invalid", address), kSocketError);
    std::thread([] {
        Ipv4Address a{};
        ResolveIpv4("localhost", a);
        Socket t = CreateTcpSocket();
        CloseSocket(t);
        CloseSocket(t);
    }).join();
    EXPECT_EQ(LastSocketError(), wsa::kHostNotFound);
}

TEST_F(SocketsTest, LocalhostResolvesToTheLoopbackAddress) {
    Ipv4Address address{};
    ASSERT_EQ(ResolveIpv4("localhost", address), 0);
    EXPECT_EQ(address, kLoopback);

    char name[128];
    ASSERT_EQ(GetHostName(name, sizeof name), 0);
    EXPECT_GT(std::string(name).size(), 0u);
    EXPECT_EQ(ResolveIpv4(name, address), 0) << LastSocketError();
}

// A peer that has gone away makes sends fail: the process must live on to
// see the error (no SIGPIPE), and the code must be one the send table knows.
TEST_F(SocketsTest, SendToAClosedPeerFailsWithoutKillingTheProcess) {
    Socket client, server;
    Pair(client, server);
    CloseSocket(server);
    Forget(server);

    const std::string block(4096, 'x');
    int result = 0;
    for (int i = 0; i < 1000 && result != kSocketError; ++i) {
        result = Send(client, block.data(), static_cast<int>(block.size()));
        if (result != kSocketError) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(result, kSocketError);
    const int code = LastSocketError();
    EXPECT_TRUE(code == wsa::kConnectionReset || code == 10053 || code == wsa::kShutdown) << code;
}

TEST_F(SocketsTest, ShutdownWakesAThreadBlockedInReceive) {
    Socket client, server;
    Pair(client, server);
    auto blocked = std::async(std::launch::async, [client] {
        char byte;
        return Receive(client, &byte, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(ShutdownSocket(client), 0);
    if (blocked.wait_for(kStuck) != std::future_status::ready) {
        ADD_FAILURE() << "Receive was not woken by ShutdownSocket";
        CloseSocket(server);
        Forget(server);
    }
    EXPECT_LE(blocked.get(), 0);
}

TEST_F(SocketsTest, ShutdownWakesAThreadBlockedInAccept) {
    int port = 0;
    Socket listener = Listener(port);
    auto blocked = std::async(std::launch::async, [listener] { return Accept(listener); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ShutdownSocket(listener), 0) << LastSocketError();
    if (blocked.wait_for(kStuck) != std::future_status::ready) {
        ADD_FAILURE() << "Accept was not woken by ShutdownSocket";
        Socket c = Track(CreateTcpSocket());
        Connect(c, kLoopback, static_cast<std::uint16_t>(port));
    }
    EXPECT_EQ(Track(blocked.get()), kInvalidSocket);
}

TEST_F(SocketsTest, WaitReadableSeesDataPendingConnectionsAndTheTimeOut) {
    int port = 0;
    Socket listener = Listener(port);
    EXPECT_EQ(WaitReadable(listener, 10), 0);

    Socket client = Track(CreateTcpSocket());
    ASSERT_EQ(Connect(client, kLoopback, static_cast<std::uint16_t>(port)), 0);
    EXPECT_EQ(WaitReadable(listener, -1), 1);
    Socket server = Track(Accept(listener));
    ASSERT_NE(server, kInvalidSocket);

    EXPECT_EQ(WaitReadable(server, 10), 0);
    ASSERT_EQ(Send(client, "x", 1), 1);
    EXPECT_EQ(WaitReadable(server, -1), 1);

    // A stoppable accept loop: short waits and a flag, on every system.
    std::atomic<bool> stop{false};
    auto loop = std::async(std::launch::async, [&] {
        while (!stop) {
            if (WaitReadable(listener, 20) == 1) return Accept(listener);
        }
        return kInvalidSocket;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    stop = true;
    EXPECT_EQ(loop.get(), kInvalidSocket);
}

}  // namespace

// A connect within a time-out: it connects and leaves the socket blocking,
// is refused at once by a closed port, and gives up on a listener whose queue
// is full (where a blocking connect waits for minutes on Linux; Windows
// refuses such a connect instead).
TEST_F(SocketsTest, ConnectWithinConnectsRefusesAndGivesUpOnAFullListenQueue) {
    int port = 0;
    Socket listener = Listener(port);
    Socket client = Track(CreateTcpSocket());
    ASSERT_EQ(ConnectWithin(client, kLoopback, static_cast<std::uint16_t>(port), 20000), 0) << LastSocketError();
    Socket server = Track(Accept(listener));
    ASSERT_NE(server, kInvalidSocket);
    // Blocking again: the receive waits for the byte sent a little later.
    std::thread late([server] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Send(server, "x", 1);
    });
    char byte = 0;
    EXPECT_EQ(Receive(client, &byte, 1), 1) << LastSocketError();
    late.join();
    EXPECT_EQ(byte, 'x');

    Socket closed = Track(CreateTcpSocket());
    const int closedPort = port;
    Forget(listener);
    CloseSocket(listener);
    EXPECT_EQ(ConnectWithin(closed, kLoopback, static_cast<std::uint16_t>(closedPort), 20000), kSocketError);
    EXPECT_EQ(LastSocketError(), wsa::kConnectionRefused);

    // A listener that never accepts, its queue filled.
    Socket full = Track(CreateTcpSocket());
    ASSERT_EQ(Bind(full, kLoopback, 0), 0);
    ASSERT_EQ(Listen(full, 0), 0);
    const auto fullPort = static_cast<std::uint16_t>(LocalPort(full));
    int result = 0;
    for (int i = 0; i < 64 && result == 0; ++i) {
        Socket s = Track(CreateTcpSocket());
        result = ConnectWithin(s, kLoopback, fullPort, 300);
    }
    ASSERT_EQ(result, kSocketError);
    const int code = LastSocketError();
    EXPECT_TRUE(code == wsa::kTimedOut || code == wsa::kConnectionRefused) << code;
}
