#include "streams/StreamSocketErrors.h"

#include <iterator>

#include "log/Format.h"

namespace {

// Which operations list a row, by the letters of the table.
enum Operations : unsigned {
    C = 1u << 0,  // CreateSocket
    B = 1u << 1,  // BindSocket
    L = 1u << 2,  // ListenToSocket
    A = 1u << 3,  // AcceptClientSocket
    R = 1u << 4,  // ProcessRecieveError
    X = 1u << 5,  // ProcessCloseError
};

struct OperationText {
    StreamSocketOperation operation;
    unsigned letter;
    const char* name;
    const char* lead;
};

constexpr OperationText kOperations[] = {
    {StreamSocketOperation::CreateSocket, C, "CreateSocket", "Error Creating Socket"},
    {StreamSocketOperation::BindSocket, B, "BindSocket", "Error Binding Socket"},
    {StreamSocketOperation::ListenToSocket, L, "ListenToSocket", "Error Listening To Socket"},
    {StreamSocketOperation::AcceptClientSocket, A, "AcceptClientSocket", "Error Accepting Socket"},
    {StreamSocketOperation::ProcessRecieveError, R, "ProcessRecieveError", "Error recieving data"},
    {StreamSocketOperation::ProcessCloseError, X, "ProcessCloseError", "Error closing socket"},
};

struct ErrorRow {
    int code;
    const char* symbol;
    unsigned operations;
    const char* explanation;
};

// A code with two explanations has one row per explanation.
constexpr ErrorRow kRows[] = {
    {10004, "WSAEINTR", A, "A blocking Windows Sockets 1.1 call was canceled through WSACancelBlockingCall."},
    {10004, "WSAEINTR", R | X, "The (blocking) Windows Socket 1.1 call was canceled through WSACancelBlockingCall."},
    {10013, "WSAEACCES", B,
     "Attempt to connect datagram socket to broadcast address failed because setsockopt option SO_BROADCAST is "
     "not enabled."},
    {10014, "WSAEFAULT", B, "The name or namelen parameter is not a valid part of the user address space."},
    {10014, "WSAEFAULT", A,
     "The addrlen parameter is too small or addr is not a valid part of the user address space."},
    {10014, "WSAEFAULT", R, "The buf parameter is not completely contained in a valid part of the user address space."},
    {10022, "WSAEINVAL", B, "The socket is already bound to an address."},
    {10022, "WSAEINVAL", L, "The socket has not been bound with bind."},
    {10022, "WSAEINVAL", A, "The listen function was not invoked prior to accept."},
    {10024, "WSAEMFILE", C | L, "No more socket descriptors are available."},
    {10024, "WSAEMFILE", A, "The queue is nonempty upon entry to accept and there are no descriptors available."},
    {10035, "WSAEWOULDBLOCK", A, "The socket is marked as nonblocking and no connections are present to be accepted."},
    {10035, "WSAEWOULDBLOCK", R | X, "The socket is marked as nonblocking and SO_LINGER is set to a nonzero time-out value."},
    {10036, "WSAEINPROGRESS", C | B | L | A | R | X,
     "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback "
     "function."},
    {10038, "WSAENOTSOCK", B | L | A | R | X, "The descriptor is not a socket."},
    {10040, "WSAEMSGSIZE", R,
     "The socket is message oriented, and the message is larger than the maximum supported by the underlying "
     "transport."},
    {10041, "WSAEPROTOTYPE", C, "The specified protocol is the wrong type for this socket."},
    {10043, "WSAEPROTONOSUPPORT", C, "The specified protocol is not supported."},
    {10044, "WSAESOCKTNOSUPPORT", C, "The specified socket type is not supported in this address family."},
    {10045, "WSAEOPNOTSUPP", L, "The referenced socket is not of a type that supports the listen operation."},
    {10045, "WSAEOPNOTSUPP", A, "The referenced socket is not of a type that supports connection-oriented service."},
    {10045, "WSAEOPNOTSUPP", R,
     "MSG_OOB was specified, but the socket is not stream-style such as type SOCK_STREAM, OOB data is not supported "
     "in the communication domain associated with this socket, or the socket is unidirectional and supports only "
     "receive operations."},
    {10047, "WSAEAFNOSUPPORT", C, "The specified address family is not supported."},
    {10048, "WSAEADDRINUSE", B,
     "A process on the computer is already bound to the same fully-qualified address and the socket has not been "
     "marked to allow address reuse with SO_REUSEADDR."},
    {10048, "WSAEADDRINUSE", L,
     "The socket's local address is already in use and the socket was not marked to allow address reuse with "
     "SO_REUSEADDR."},
    {10049, "WSAEADDRNOTAVAIL", B, "The specified address is not a valid address for this computer."},
    {10050, "WSAENETDOWN", C | B | L | A, "The network subsystem or the associated service provider has failed."},
    {10050, "WSAENETDOWN", R | X, "The network subsystem has failed."},
    {10052, "WSAENETRESET", R,
     "The connection has been broken due to the keep-alive activity detecting a failure while the operation was in "
     "progress."},
    {10053, "WSAECONNABORTED", R,
     "The virtual circuit was terminated due to a time-out or other failure. The application should close the "
     "socket as it is no longer usable."},
    {10054, "WSAECONNRESET", R,
     "The virtual circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the "
     "remote host was unable to deliver a previously sent UDP datagram and responded with a 'Port Unreachable' "
     "ICMP packet. The application should close the socket as it is no longer usable."},
    {10055, "WSAENOBUFS", C | B, "No buffer space is available. The socket cannot be created."},
    {10055, "WSAENOBUFS", L | A, "No buffer space is available."},
    {10056, "WSAEISCONN", L, "The socket is already connected."},
    {10057, "WSAENOTCONN", R, "The socket is not connected."},
    {10058, "WSAESHUTDOWN", R,
     "The socket has been shut down; it is not possible to send on a socket after shutdown has been invoked with "
     "how set to SD_SEND or SD_BOTH."},
    {10060, "WSAETIMEDOUT", R,
     "The connection has been dropped, because of a network failure or because the system on the other end went "
     "down without notice."},
    {10093, "WSANOTINITIALISED", C | B | L | A | R | X,
     "A successful WSAStartup call must occur before using this function."},
};

const OperationText& TextOf(StreamSocketOperation operation) {
    for (const OperationText& text : kOperations) {
        if (text.operation == operation) return text;
    }
    return kOperations[0];
}

}  // namespace

std::string StreamSocketErrorLine(StreamSocketOperation operation, int errorCode, const std::string& streamType) {
    const OperationText& op = TextOf(operation);
    for (const ErrorRow& row : kRows) {
        if (row.code == errorCode && (row.operations & op.letter) != 0) {
            return FormatText("NodeConnectionClient::%s() - %s, error code: %s - %s  mStreamType: %s", op.name,
                              op.lead, row.symbol, row.explanation, streamType.c_str());
        }
    }
    if (operation == StreamSocketOperation::ProcessCloseError) {
        return FormatText("NodeConnectionClient::ProcessCloseError() - Error closing socket, error code: UNKNOWN.  "
                          "mStreamType: %s",
                          streamType.c_str());
    }
    return FormatText("NodeConnectionClient::%s() - %s, error code: %i - Unknown error code.  mStreamType: %s",
                      op.name, op.lead, errorCode, streamType.c_str());
}
