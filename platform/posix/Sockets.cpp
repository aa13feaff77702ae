#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace platform {
namespace {

// The calling thread's last failure, as WSAGetLastError keeps it on Windows.
thread_local int tLastError = 0;

// errno to its Windows Sockets number. The client's log tables are keyed by
// these numbers, so this is the one place where POSIX failures get their names.
// A descriptor that is closed or was never a socket is WSAENOTSOCK, as Windows
// says for a handle that is no socket; a peer that has gone away (EPIPE) is
// the reset Windows reports for a send to it.
constexpr std::pair<int, int> kErrnoToWsa[] = {
    {EINTR, 10004},           {EBADF, 10038},           {EACCES, 10013},        {EPERM, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},          {EMFILE, 10024},        {ENFILE, 10024},
    {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},     {EALREADY, 10037},      {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},
    {ENETUNREACH, 10051},     {ENETRESET, 10052},       {ECONNABORTED, 10053},  {ECONNRESET, 10054},
    {EPIPE, 10054},           {ENOBUFS, 10055},         {ENOMEM, 10055},        {EISCONN, 10056},
    {ENOTCONN, 10057},        {ESHUTDOWN, 10058},       {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061},
    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},
};

// The resolver's codes, as gethostbyname reports them on Windows.
constexpr std::pair<int, int> kResolverToWsa[] = {
    {EAI_NONAME, 11001}, {EAI_AGAIN, 11002}, {EAI_FAIL, 11003}, {EAI_NODATA, 11004},
    {EAI_ADDRFAMILY, 11004}, {EAI_FAMILY, 10047}, {EAI_MEMORY, 10055}, {EAI_SERVICE, 11001},
};

int Translate(const std::pair<int, int>* table, size_t count, int code, int otherwise) {
    for (size_t i = 0; i < count; ++i) {
        if (table[i].first == code) return table[i].second;
    }
    return otherwise;
}

// Records errno as the thread's last error and returns kSocketError. An errno
// without a Windows Sockets counterpart is kept as it is: it stays below
// 10000 and so matches no row of any table.
int Fail() {
    const int code = errno;
    tLastError = Translate(kErrnoToWsa, std::size(kErrnoToWsa), code, code);
    return kSocketError;
}

int FailWith(int wsaCode) {
    tLastError = wsaCode;
    return kSocketError;
}

int Fd(Socket s) {
    // A handle that no descriptor can have: EBADF, as the system would say.
    return s > static_cast<Socket>(INT_MAX) ? -1 : static_cast<int>(s);
}

sockaddr_in MakeAddress(const Ipv4Address& address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    std::memcpy(&a.sin_addr, address.data(), 4);
    return a;
}

}  // namespace

int SocketStartup(unsigned short) { return 0; }

int LastSocketError() { return tLastError; }

Socket CreateTcpSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        Fail();
        return kInvalidSocket;
    }
    return static_cast<Socket>(fd);
}

int Bind(Socket s, const Ipv4Address& address, std::uint16_t port) {
    const sockaddr_in a = MakeAddress(address, port);
    return ::bind(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 ? 0 : Fail();
}

int Listen(Socket s, int backlog) { return ::listen(Fd(s), backlog) == 0 ? 0 : Fail(); }

int Connect(Socket s, const Ipv4Address& address, std::uint16_t port) {
    const sockaddr_in a = MakeAddress(address, port);
    int result;
    do {
        result = ::connect(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : Fail();
}

int ConnectWithin(Socket s, const Ipv4Address& address, std::uint16_t port, int timeoutMilliseconds) {
    const int fd = Fd(s);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return Fail();
    // Blocking again whatever the outcome, before the result is reported.
    const auto finish = [fd, flags](int error) {
        ::fcntl(fd, F_SETFL, flags);
        if (error == 0) return 0;
        errno = error;
        return Fail();
    };
    const sockaddr_in a = MakeAddress(address, port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return finish(0);
    // Interrupted, a non-blocking connect goes on by itself: wait for it alike.
    if (errno != EINPROGRESS && errno != EINTR) return finish(errno);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        pollfd p{fd, POLLOUT, 0};
        const int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return finish(errno);
        if (n == 0) {
            ::fcntl(fd, F_SETFL, flags);
            return FailWith(wsa::kTimedOut);
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return finish(errno);
        return finish(error);
    }
}

int ShutdownSocket(Socket s) { return ::shutdown(Fd(s), SHUT_RDWR) == 0 ? 0 : Fail(); }

int CloseSocket(Socket s) { return ::close(Fd(s)) == 0 ? 0 : Fail(); }

int LocalPort(Socket s) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        Fail();
        return -1;
    }
    return ntohs(a.sin_port);
}

Socket Accept(Socket s) {
    int fd;
    do {
        fd = ::accept4(Fd(s), nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Fail();
        return kInvalidSocket;
    }
    return static_cast<Socket>(fd);
}

int Send(Socket s, const void* data, int length) {
    if (length < 0) return FailWith(wsa::kInvalidArgument);
    const ssize_t n = ::send(Fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    // As for a receive: on a blocking socket this is the send time-out.
    if (errno == EAGAIN || errno == EWOULDBLOCK) return FailWith(wsa::kTimedOut);
    return Fail();
}

int Receive(Socket s, void* buffer, int length) {
    if (length < 0) return FailWith(wsa::kInvalidArgument);
    const ssize_t n = ::recv(Fd(s), buffer, static_cast<size_t>(length), 0);
    if (n >= 0) return static_cast<int>(n);
    // Our sockets block, so "would block" here means the receive time-out
    // ran out, which Windows reports as a time-out.
    if (errno == EAGAIN || errno == EWOULDBLOCK) return FailWith(wsa::kTimedOut);
    return Fail();
}

int WaitReadable(Socket s, int timeoutMilliseconds) {
    pollfd p{Fd(s), POLLIN, 0};
    const int n = ::poll(&p, 1, timeoutMilliseconds < 0 ? -1 : timeoutMilliseconds);
    if (n < 0) return Fail();
    if (n > 0 && (p.revents & POLLNVAL)) return FailWith(wsa::kNotSocket);
    return n > 0 ? 1 : 0;
}

int SetReuseAddress(Socket s, bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0 ? 0 : Fail();
}

int SetNoDelay(Socket s, bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0 ? 0 : Fail();
}

int SetReceiveTimeout(Socket s, int milliseconds) {
    timeval t{};
    t.tv_sec = milliseconds / 1000;
    t.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t) == 0 ? 0 : Fail();
}

int SetSendTimeout(Socket s, int milliseconds) {
    timeval t{};
    t.tv_sec = milliseconds / 1000;
    t.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t) == 0 ? 0 : Fail();
}

int SetAbortiveClose(Socket s) {
    const linger value{1, 0};
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0 ? 0 : Fail();
}

int ResolveIpv4(const std::string& name, Ipv4Address& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (code != 0) {
        if (code == EAI_SYSTEM) return Fail();
        return FailWith(Translate(kResolverToWsa, std::size(kResolverToWsa), code, wsa::kNoRecovery));
    }
    // getaddrinfo lists the addresses in the order gethostbyname would.
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    std::memcpy(address.data(), &first->sin_addr, 4);
    ::freeaddrinfo(found);
    return 0;
}

int GetHostName(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return FailWith(wsa::kBadAddress);
    if (::gethostname(buffer, static_cast<size_t>(size)) != 0) return Fail();
    buffer[size - 1] = '\0';
    return 0;
}

}  // namespace platform
