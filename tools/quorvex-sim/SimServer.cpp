#include "tools/quorvex-sim/SimServer.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "tools/quorvex-sim/SimSession.h"

namespace sim {
namespace {

std::int64_t UnixMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// How long a command port opened for one client waits for that client.
constexpr int kOneClientWaitMilliseconds = 60000;

thread_local int lastListenError = 0;

std::mutex gLogLock;
std::FILE* gLog = nullptr;

}  // namespace

SimServer::SimServer(SimOptions options) : mOptions(std::move(options)), mStartMicroseconds(UnixMicroseconds()) {}

bool SimServer::Start(std::string& error) {
    if (platform::SocketStartup(0x0101) != 0) {
        error = "the socket library did not start";
        return false;
    }
    if (platform::ResolveIpv4(mOptions.bindAddress, mBindAddress) != 0) {
        error = "cannot resolve the address " + mOptions.bindAddress;
        return false;
    }
    if (!mOptions.logFile.empty()) {
        gLog = mOptions.logFile == "-" ? stdout : std::fopen(mOptions.logFile.c_str(), "w");
        if (gLog == nullptr) {
            error = "cannot open the log " + mOptions.logFile;
            return false;
        }
    }
    if (mOptions.queryPort >= 0) {
        mQueryListener = OpenListener(mOptions.queryPort, mQueryPort);
        if (mQueryListener == platform::kInvalidSocket) {
            error = "cannot listen on the port-query port " + std::to_string(mOptions.queryPort) + " (error " +
                    std::to_string(lastListenError) + ")";
            return false;
        }
    }
    if (mOptions.commandPort >= 0) {
        mCommandListener = OpenListener(mOptions.commandPort, mCommandPort);
        if (mCommandListener == platform::kInvalidSocket) {
            error = "cannot listen on the command port " + std::to_string(mOptions.commandPort) + " (error " +
                    std::to_string(lastListenError) + ")";
            return false;
        }
    }
    return true;
}

platform::Socket SimServer::OpenListener(int port, int& boundPort) {
    platform::Socket s = platform::CreateTcpSocket();
    if (s == platform::kInvalidSocket) return s;
    if (platform::Bind(s, mBindAddress, static_cast<std::uint16_t>(port)) != 0 || platform::Listen(s, 16) != 0) {
        // The caller reports the failure: keep its code past the close.
        const int code = platform::LastSocketError();
        platform::CloseSocket(s);
        lastListenError = code;
        return platform::kInvalidSocket;
    }
    boundPort = platform::LocalPort(s);
    return s;
}

void SimServer::Run() {
    if (mQueryListener != platform::kInvalidSocket) {
        std::thread([this] { AcceptLoop(mQueryListener, mQueryPort, true, false); }).detach();
    }
    if (mCommandListener != platform::kInvalidSocket) {
        std::thread([this] { AcceptLoop(mCommandListener, mCommandPort, false, false); }).detach();
    }
    if (mOptions.lifetimeSeconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(mOptions.lifetimeSeconds));
    } else {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

void SimServer::AcceptLoop(platform::Socket listener, int port, bool queryPort, bool once) {
    for (;;) {
        if (once && platform::WaitReadable(listener, kOneClientWaitMilliseconds) != 1) break;
        const platform::Socket connection = platform::Accept(listener);
        if (connection == platform::kInvalidSocket) {
            if (once) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        StartSession(connection, port, queryPort);
        if (once) break;
    }
    if (once) platform::CloseSocket(listener);
}

void SimServer::StartSession(platform::Socket connection, int port, bool queryPort) {
    const int id = NextConnectionId();
    std::thread([this, connection, port, queryPort, id] {
        SimSession session(*this, connection, id, port, queryPort);
        session.Run();
    }).detach();
}

std::int64_t SimServer::Timestamp() const {
    const std::int64_t now = UnixMicroseconds();
    return mOptions.clockFromStart ? now - mStartMicroseconds : now;
}

// The client will connect to this port as its command connection; the port
// serves that one client as the direct command port would.
int SimServer::OpenPortForOneClient() {
    int port = -1;
    const platform::Socket listener = OpenListener(0, port);
    if (listener == platform::kInvalidSocket) return -1;
    std::thread([this, listener, port] { AcceptLoop(listener, port, false, true); }).detach();
    return port;
}

int SimServer::FreePort() {
    int port = -1;
    const platform::Socket s = OpenListener(0, port);
    if (s == platform::kInvalidSocket) return -1;
    platform::CloseSocket(s);
    return port;
}

int SimServer::NextConnectionId() {
    std::lock_guard<std::mutex> lock(mLock);
    return ++mConnections;
}

void SimServer::Say(const std::string& text) {
    std::lock_guard<std::mutex> lock(gLogLock);
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

double SimServer::StreamRate(const std::string& kindCode) const {
    const auto rate = mOptions.streamRates.find(kindCode);
    return rate != mOptions.streamRates.end() ? rate->second : mOptions.streamRate;
}

void SimServer::LogCommand(int connection, int port, const std::string& text) {
    std::lock_guard<std::mutex> lock(gLogLock);
    if (gLog == nullptr) return;
    std::fprintf(gLog, "%d %d %s\n", connection, port, text.c_str());
    std::fflush(gLog);
}

}  // namespace sim
