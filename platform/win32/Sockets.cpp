#include "platform/Sockets.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cstring>

namespace platform {
namespace {

sockaddr_in MakeAddress(const Ipv4Address& address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    std::memcpy(&a.sin_addr, address.data(), 4);
    return a;
}

SOCKET Native(Socket s) { return static_cast<SOCKET>(s); }

// WSAGetLastError is the thread's GetLastError, which later system calls
// (a thread's start, a wait) may overwrite before our caller asks; the code
// is kept at the moment of the failure, as it stands.
thread_local int tLastError = 0;

int Fail() {
    tLastError = WSAGetLastError();
    return kSocketError;
}

int FailWith(int code) {
    tLastError = code;
    return kSocketError;
}

int Result(int r) { return r == SOCKET_ERROR ? Fail() : 0; }

bool IsListening(SOCKET s) {
    BOOL listening = FALSE;
    int length = sizeof listening;
    return ::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&listening), &length) == 0 &&
           listening;
}

}  // namespace

int SocketStartup(unsigned short version) {
    WSADATA data;
    return WSAStartup(version, &data);
}

int LastSocketError() { return tLastError; }

Socket CreateTcpSocket() {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        Fail();
        return kInvalidSocket;
    }
    return static_cast<Socket>(s);
}

int Bind(Socket s, const Ipv4Address& address, std::uint16_t port) {
    const sockaddr_in a = MakeAddress(address, port);
    return Result(::bind(Native(s), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int Listen(Socket s, int backlog) { return Result(::listen(Native(s), backlog)); }

int Connect(Socket s, const Ipv4Address& address, std::uint16_t port) {
    const sockaddr_in a = MakeAddress(address, port);
    return Result(::connect(Native(s), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int ConnectWithin(Socket s, const Ipv4Address& address, std::uint16_t port, int timeoutMilliseconds) {
    const SOCKET native = Native(s);
    u_long nonBlocking = 1;
    if (::ioctlsocket(native, FIONBIO, &nonBlocking) == SOCKET_ERROR) return Fail();
    // Blocking again whatever the outcome, before the result is reported.
    const auto finish = [native](int error) {
        u_long blocking = 0;
        ::ioctlsocket(native, FIONBIO, &blocking);
        return error == 0 ? 0 : FailWith(error);
    };
    const sockaddr_in a = MakeAddress(address, port);
    if (::connect(native, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return finish(0);
    const int started = WSAGetLastError();
    if (started != WSAEWOULDBLOCK) return finish(started);

    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native, &writable);
    FD_SET(native, &failed);
    timeval t{};
    t.tv_sec = timeoutMilliseconds / 1000;
    t.tv_usec = (timeoutMilliseconds % 1000) * 1000;
    const int n = ::select(0, nullptr, &writable, &failed, &t);
    if (n == SOCKET_ERROR) return finish(WSAGetLastError());
    if (n == 0) return finish(WSAETIMEDOUT);
    if (FD_ISSET(native, &failed)) {
        int error = 0;
        int length = sizeof error;
        if (::getsockopt(native, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == SOCKET_ERROR) {
            return finish(WSAGetLastError());
        }
        return finish(error != 0 ? error : WSAECONNREFUSED);
    }
    return finish(0);
}

// shutdown() alone does not wake a thread blocked in recv() or accept() on
// this system, nor can it shut a listener down; cancelling the socket's
// pending I/O does both, and the woken call fails with
// ERROR_OPERATION_ABORTED (995).
int ShutdownSocket(Socket s) {
    const int shut = ::shutdown(Native(s), SD_BOTH);
    const int shutError = WSAGetLastError();
    const bool listener = shut == SOCKET_ERROR && shutError == WSAENOTCONN && IsListening(Native(s));
    ::CancelIoEx(reinterpret_cast<HANDLE>(Native(s)), nullptr);
    if (shut == SOCKET_ERROR && !listener) return FailWith(shutError);
    return 0;
}

int CloseSocket(Socket s) { return Result(::closesocket(Native(s))); }

int LocalPort(Socket s) {
    sockaddr_in a{};
    int length = sizeof a;
    if (::getsockname(Native(s), reinterpret_cast<sockaddr*>(&a), &length) == SOCKET_ERROR) {
        Fail();
        return -1;
    }
    return ntohs(a.sin_port);
}

Socket Accept(Socket s) {
    const SOCKET c = ::accept(Native(s), nullptr, nullptr);
    if (c == INVALID_SOCKET) {
        Fail();
        return kInvalidSocket;
    }
    return static_cast<Socket>(c);
}

// Windows never raises a signal for a peer that has gone away: the send
// simply fails with WSAECONNRESET or WSAECONNABORTED.
int Send(Socket s, const void* data, int length) {
    const int n = ::send(Native(s), static_cast<const char*>(data), length, 0);
    return n == SOCKET_ERROR ? Fail() : n;
}

int Receive(Socket s, void* buffer, int length) {
    const int n = ::recv(Native(s), static_cast<char*>(buffer), length, 0);
    return n == SOCKET_ERROR ? Fail() : n;
}

int WaitReadable(Socket s, int timeoutMilliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(s), &readable);
    timeval t{};
    t.tv_sec = timeoutMilliseconds / 1000;
    t.tv_usec = (timeoutMilliseconds % 1000) * 1000;
    const int n = ::select(0, &readable, nullptr, nullptr, timeoutMilliseconds < 0 ? nullptr : &t);
    if (n == SOCKET_ERROR) return Fail();
    return n > 0 ? 1 : 0;
}

int SetReuseAddress(Socket s, bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return Result(::setsockopt(Native(s), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&value),
                               sizeof value));
}

int SetNoDelay(Socket s, bool on) {
    const BOOL value = on ? TRUE : FALSE;
    return Result(::setsockopt(Native(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value),
                               sizeof value));
}

int SetReceiveTimeout(Socket s, int milliseconds) {
    const DWORD value = static_cast<DWORD>(milliseconds);
    return Result(::setsockopt(Native(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value),
                               sizeof value));
}

int SetSendTimeout(Socket s, int milliseconds) {
    const DWORD value = static_cast<DWORD>(milliseconds);
    return Result(::setsockopt(Native(s), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value),
                               sizeof value));
}

int SetAbortiveClose(Socket s) {
    const linger value{1, 0};
    return Result(::setsockopt(Native(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value));
}

// gethostbyname, as the client has always resolved its server: the first
// IPv4 address of the host entry, its error in WSAGetLastError.
int ResolveIpv4(const std::string& name, Ipv4Address& address) {
    const hostent* entry = ::gethostbyname(name.c_str());
    if (entry == nullptr) return Fail();
    if (entry->h_addrtype != AF_INET || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
        return FailWith(WSANO_DATA);
    }
    std::memcpy(address.data(), entry->h_addr_list[0], 4);
    return 0;
}

int GetHostName(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return FailWith(WSAEFAULT);
    if (::gethostname(buffer, size) == SOCKET_ERROR) return Fail();
    buffer[size - 1] = '\0';
    return 0;
}

}  // namespace platform
