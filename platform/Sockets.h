#pragma once
// Small free functions over IPv4 TCP sockets. Every failure is reported as its
// Windows Sockets error number (10061 for a refused connect, 11001 for an
// unknown host, ...), because the client's log texts are keyed by those
// numbers: on Windows WSAGetLastError() as it stands, on POSIX one table that
// translates errno and the resolver's codes. LastSocketError() reads the code
// of the calling thread's last failed call, like WSAGetLastError().
#include <array>
#include <cstdint>
#include <string>

namespace platform {

using Socket = std::uintptr_t;  // SOCKET on Windows, a descriptor on POSIX
inline constexpr Socket kInvalidSocket = ~Socket(0);
inline constexpr int kSocketError = -1;

using Ipv4Address = std::array<std::uint8_t, 4>;  // in address order, 127.0.0.1 = {127,0,0,1}

// Windows Sockets numbers used by the library itself.
namespace wsa {
inline constexpr int kInterrupted = 10004;        // WSAEINTR
inline constexpr int kBadAddress = 10014;         // WSAEFAULT
inline constexpr int kInvalidArgument = 10022;    // WSAEINVAL
inline constexpr int kWouldBlock = 10035;         // WSAEWOULDBLOCK
inline constexpr int kNotSocket = 10038;          // WSAENOTSOCK
inline constexpr int kAddressInUse = 10048;       // WSAEADDRINUSE
inline constexpr int kConnectionReset = 10054;    // WSAECONNRESET
inline constexpr int kNotConnected = 10057;       // WSAENOTCONN
inline constexpr int kShutdown = 10058;           // WSAESHUTDOWN
inline constexpr int kTimedOut = 10060;           // WSAETIMEDOUT
inline constexpr int kConnectionRefused = 10061;  // WSAECONNREFUSED
inline constexpr int kHostNotFound = 11001;       // WSAHOST_NOT_FOUND
inline constexpr int kTryAgain = 11002;           // WSATRY_AGAIN
inline constexpr int kNoRecovery = 11003;         // WSANO_RECOVERY
inline constexpr int kNoData = 11004;             // WSANO_DATA
}  // namespace wsa

// WSAStartup with the requested version word (0x0101 for 1.1); returns its
// result, 0 for success. POSIX needs no start-up and returns 0.
int SocketStartup(unsigned short version);

// The Windows Sockets number of the calling thread's last failed call.
int LastSocketError();

// AF_INET, SOCK_STREAM, IPPROTO_TCP; kInvalidSocket on failure.
Socket CreateTcpSocket();

// Each returns 0 or kSocketError.
int Bind(Socket s, const Ipv4Address& address, std::uint16_t port);  // {0,0,0,0} is any address
int Listen(Socket s, int backlog);
int Connect(Socket s, const Ipv4Address& address, std::uint16_t port);  // blocking
// The same connect, given up after timeoutMilliseconds with WSAETIMEDOUT
// (10060); the socket blocks again afterwards. A server whose listen queue
// is full would otherwise keep a blocking connect waiting for minutes.
int ConnectWithin(Socket s, const Ipv4Address& address, std::uint16_t port, int timeoutMilliseconds);
// Both directions; wakes a thread blocked in Receive or Accept on s (a
// listener too). On Windows shutdown() alone wakes neither, so the socket's
// pending I/O is cancelled as well and the woken call fails with 995.
int ShutdownSocket(Socket s);
int CloseSocket(Socket s);

// The local port a socket is bound to (after Bind to port 0), or -1.
int LocalPort(Socket s);

// kInvalidSocket on failure; the peer's address is not asked for.
Socket Accept(Socket s);

// send() once: the count taken, or kSocketError. Never raises SIGPIPE.
int Send(Socket s, const void* data, int length);
// recv() once: the count received, 0 when the peer closed, or kSocketError.
int Receive(Socket s, void* buffer, int length);

// Waits until s is readable (data, a pending connection, the peer's close or
// an error): 1 readable, 0 timed out, kSocketError failed. A negative time-out
// waits for ever. Waiting here in short slices and checking a stop flag
// between them is the other way to keep a thread stoppable.
int WaitReadable(Socket s, int timeoutMilliseconds);

// Socket options the tools and tests need; each returns 0 or kSocketError.
int SetReuseAddress(Socket s, bool on);
int SetNoDelay(Socket s, bool on);
// A receive or send that waits longer than this fails with WSAETIMEDOUT
// (10060), as on Windows. 0: wait for ever.
int SetReceiveTimeout(Socket s, int milliseconds);
int SetSendTimeout(Socket s, int milliseconds);
// A close that resets the connection (SO_LINGER on, time 0): the peer's next
// call fails with WSAECONNRESET instead of seeing an orderly end.
int SetAbortiveClose(Socket s);

// gethostbyname: the first IPv4 address of a name; 0 or kSocketError (the
// resolver's code as its Windows Sockets number, 11001 for an unknown host).
int ResolveIpv4(const std::string& name, Ipv4Address& address);

// gethostname into buffer (NUL-terminated); 0 or kSocketError.
int GetHostName(char* buffer, int size);

}  // namespace platform
