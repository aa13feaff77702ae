#include "channel/SocketErrorTables.h"

// The texts are the system's own, word for word, odd spellings included: the
// log has always said them this way and readers search for them.

std::string SocketErrorLine(const SocketErrorTable& table, int code) {
    for (const SocketErrorRow& row : table.rows) {
        if (row.code == code) return std::string(table.beginning) + row.symbol + " - " + row.explanation;
    }
    return std::string();
}

namespace errortables {
namespace {

const SocketErrorRow kSendRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem has failed."},
    {10013, "WSAEACCES", "The requested address is a broadcast address, but the appropriate flag was not set. Call setsockopt with the SO_BROADCAST parameter to allow the use of the broadcast address."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10004, "WSAEINTR", "The (blocking) Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
    {10014, "WSAEFAULT", "The buf parameter is not completely contained in a valid part of the user address space."},
    {10052, "WSAENETRESET", "The connection has been broken due to the keep-alive activity detecting a failure while the operation was in progress."},
    {10055, "WSAENOBUFS", "No buffer space is available."},
    {10057, "WSAENOTCONN", "The socket is not connected."},
    {10038, "WSAENOTSOCK", "The descriptor is not a socket."},
    {10045, "WSAEOPNOTSUPP", "MSG_OOB was specified, but the socket is not stream-style such as type SOCK_STREAM, OOB data is not supported in the communication domain associated with this socket, or the socket is unidirectional and supports only receive operations."},
    {10058, "WSAESHUTDOWN", "The socket has been shut down; it is not possible to send on a socket after shutdown has been invoked with how set to SD_SEND or SD_BOTH."},
    {10035, "WSAEWOULDBLOCK", "The socket is marked as nonblocking and SO_LINGER is set to a nonzero time-out value."},
    {10040, "WSAEMSGSIZE", "The socket is message oriented, and the message is larger than the maximum supported by the underlying transport."},
    {10065, "WSAEHOSTUNREACH", "The remote host cannot be reached from this host at this time."},
    {10022, "WSAEINVAL", "The socket has not been bound with bind, or an unknown flag was specified, or MSG_OOB was specified for a socket with SO_OOBINLINE enabled."},
    {10053, "WSAECONNABORTED", "The virtual circuit was terminated due to a time-out or other failure. The application should close the socket as it is no longer usable."},
    {10054, "WSAECONNRESET", "The virtual circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the remote host was unable to deliver a previously sent UDP datagram and responded with a 'Port Unreachable' ICMP packet. The application should close the socket as it is no longer usable."},
    {10060, "WSAETIMEDOUT", "The connection has been dropped, because of a network failure or because the system on the other end went down without notice."},
};

// A receive fails for fewer reasons than a send; the rows it shares with the
// send table are the same rows.
const SocketErrorRow kRecieveRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem has failed."},
    {10014, "WSAEFAULT", "The buf parameter is not completely contained in a valid part of the user address space."},
    {10057, "WSAENOTCONN", "The socket is not connected."},
    {10004, "WSAEINTR", "The (blocking) Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10052, "WSAENETRESET", "The connection has been broken due to the keep-alive activity detecting a failure while the operation was in progress."},
    {10038, "WSAENOTSOCK", "The descriptor is not a socket."},
    {10045, "WSAEOPNOTSUPP", "MSG_OOB was specified, but the socket is not stream-style such as type SOCK_STREAM, OOB data is not supported in the communication domain associated with this socket, or the socket is unidirectional and supports only receive operations."},
    {10058, "WSAESHUTDOWN", "The socket has been shut down; it is not possible to send on a socket after shutdown has been invoked with how set to SD_SEND or SD_BOTH."},
    {10035, "WSAEWOULDBLOCK", "The socket is marked as nonblocking and SO_LINGER is set to a nonzero time-out value."},
    {10040, "WSAEMSGSIZE", "The socket is message oriented, and the message is larger than the maximum supported by the underlying transport."},
    {10053, "WSAECONNABORTED", "The virtual circuit was terminated due to a time-out or other failure. The application should close the socket as it is no longer usable."},
    {10054, "WSAECONNRESET", "The virtual circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the remote host was unable to deliver a previously sent UDP datagram and responded with a 'Port Unreachable' ICMP packet. The application should close the socket as it is no longer usable."},
    {10060, "WSAETIMEDOUT", "The connection has been dropped, because of a network failure or because the system on the other end went down without notice."},
};

const SocketErrorRow kSocketStartupRows[] = {
    {10091, "WSASYSNOTREADY", "The underlying network subsystem is not ready for network communication."},
    {10092, "WSAVERNOTSUPPORTED", "The version of Windows Sockets support requested is not provided by this particular Windows Sockets implementation."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 operation is in progress."},
    {10067, "WSAEPROCLIM", "Limit on the number of tasks supported by the Windows Sockets implementation has been reached."},
    {10014, "WSAEFAULT", "The lpWSAData is not a valid pointer."},
};

const SocketErrorRow kCreateSocketRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem or the associated service provider has failed."},
    {10047, "WSAEAFNOSUPPORT", "The specified address family is not supported."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10024, "WSAEMFILE", "No more socket descriptors are available."},
    {10055, "WSAENOBUFS", "No buffer space is available. The socket cannot be created."},
    {10043, "WSAEPROTONOSUPPORT", "The specified protocol is not supported."},
    {10041, "WSAEPROTOTYPE", "The specified protocol is the wrong type for this socket."},
    {10044, "WSAESOCKTNOSUPPORT", "The specified socket type is not supported in this address family."},
};

const SocketErrorRow kGetServerInfoRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem has failed."},
    {11001, "WSAHOST_NOT_FOUND", "Authoritative answer host not found."},
    {11002, "WSATRY_AGAIN", "Nonauthoritative host not found, or server failure."},
    {11003, "WSANO_RECOVERY", "A nonrecoverable error occurred."},
    {11004, "WSANO_DATA", "Valid name, no data record of requested type."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10014, "WSAEFAULT", "The name parameter is not a valid part of the user address space."},
    {10004, "WSAEINTR", "A blocking Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
};

const SocketErrorRow kConnectToServerRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem has failed."},
    {10048, "WSAEADDRINUSE", "The socket's local address is already in use and the socket was not marked to allow address reuse with SO_REUSEADDR."},
    {10004, "WSAEINTR", "The blocking Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10037, "WSAEALREADY", "A nonblocking connect call is in progress on the specified socket. "},
    {10049, "WSAEADDRNOTAVAIL", "The remote address is not a valid address (such as ADDR_ANY)."},
    {10047, "WSAEAFNOSUPPORT", "Addresses in the specified family cannot be used with this socket."},
    {10061, "WSAECONNREFUSED", "The attempt to connect was forcefully rejected."},
    {10014, "WSAEFAULT", "The name or the namelen parameter is not a valid part of the user address space."},
    {10022, "WSAEINVAL", "The parameter s is a listening socket."},
    {10056, "WSAEISCONN", "The socket is already connected (connection-oriented sockets only)."},
    {10051, "WSAENETUNREACH", "The network cannot be reached from this host at this time."},
    {10055, "WSAENOBUFS", "No buffer space is available. The socket cannot be connected."},
    {10038, "WSAENOTSOCK", "The descriptor is not a socket."},
    {10060, "WSAETIMEDOUT", "Attempt to connect timed out without establishing a connection."},
    {10035, "WSAEWOULDBLOCK", "The socket is marked as nonblocking and the connection cannot be completed immediately."},
    {10013, "WSAEACCES", "Attempt to connect datagram socket to broadcast address failed because setsockopt option SO_BROADCAST is not enabled."},
};

const SocketErrorRow kCloseRows[] = {
    {10093, "WSANOTINITIALISED", "A successful WSAStartup call must occur before using this function."},
    {10050, "WSAENETDOWN", "The network subsystem has failed."},
    {10038, "WSAENOTSOCK", "The descriptor is not a socket."},
    {10036, "WSAEINPROGRESS", "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback function."},
    {10004, "WSAEINTR", "The (blocking) Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
    {10035, "WSAEWOULDBLOCK", "The socket is marked as nonblocking and SO_LINGER is set to a nonzero time-out value."},
};

}  // namespace

const SocketErrorTable kSend{
    "NetworkNodeClient::ProcessSendError() - Error sending data, error code: ", kSendRows};
const SocketErrorTable kRecieve{
    "NetworkNodeClient::ProcessRecieveError() - Error recieving data, error code: ", kRecieveRows};
const SocketErrorTable kSocketStartup{
    "NetworkNodeClient::SocketStartup() - Error requesting Socket Startup, return code: ", kSocketStartupRows};
const SocketErrorTable kCreateSocket{
    "NetworkNodeClient::CreateSocket() - Error Creating Socket, error code: ", kCreateSocketRows};
const SocketErrorTable kGetServerInfo{
    "NetworkNodeClient::GetServerInfo() - Error Getting Server Name, error code: ", kGetServerInfoRows};
const SocketErrorTable kConnectToServer{
    "NetworkNodeClient::ConnectToServer() - Error Connecting To Server, error code: ", kConnectToServerRows};
const SocketErrorTable kClose{
    "NetworkNodeClient::ProcessCloseError() - Error closing socket, error code: ", kCloseRows};

}  // namespace errortables
