#include <gtest/gtest.h>

#include <string>

#include "streams/StreamSocketErrors.h"

namespace {

using Op = StreamSocketOperation;

TEST(StreamSocketErrorsTest, EachOperationWritesItsOwnLineForACode) {
    struct Case {
        Op operation;
        int code;
        const char* line;
    };
    const Case cases[] = {
        {Op::ListenToSocket, 10056,
         "NodeConnectionClient::ListenToSocket() - Error Listening To Socket, error code: WSAEISCONN - The socket is "
         "already connected.  mStreamType: Tetrode"},
        {Op::CreateSocket, 10024,
         "NodeConnectionClient::CreateSocket() - Error Creating Socket, error code: WSAEMFILE - No more socket "
         "descriptors are available.  mStreamType: Tetrode"},
        {Op::BindSocket, 10048,
         "NodeConnectionClient::BindSocket() - Error Binding Socket, error code: WSAEADDRINUSE - A process on the "
         "computer is already bound to the same fully-qualified address and the socket has not been marked to allow "
         "address reuse with SO_REUSEADDR.  mStreamType: Tetrode"},
        // One code, a different explanation for each operation that lists it.
        {Op::BindSocket, 10022,
         "NodeConnectionClient::BindSocket() - Error Binding Socket, error code: WSAEINVAL - The socket is already "
         "bound to an address.  mStreamType: Tetrode"},
        {Op::ListenToSocket, 10022,
         "NodeConnectionClient::ListenToSocket() - Error Listening To Socket, error code: WSAEINVAL - The socket has "
         "not been bound with bind.  mStreamType: Tetrode"},
        {Op::AcceptClientSocket, 10022,
         "NodeConnectionClient::AcceptClientSocket() - Error Accepting Socket, error code: WSAEINVAL - The listen "
         "function was not invoked prior to accept.  mStreamType: Tetrode"},
        {Op::AcceptClientSocket, 10004,
         "NodeConnectionClient::AcceptClientSocket() - Error Accepting Socket, error code: WSAEINTR - A blocking "
         "Windows Sockets 1.1 call was canceled through WSACancelBlockingCall.  mStreamType: Tetrode"},
        {Op::ProcessRecieveError, 10004,
         "NodeConnectionClient::ProcessRecieveError() - Error recieving data, error code: WSAEINTR - The (blocking) "
         "Windows Socket 1.1 call was canceled through WSACancelBlockingCall.  mStreamType: Tetrode"},
        {Op::ProcessRecieveError, 10054,
         "NodeConnectionClient::ProcessRecieveError() - Error recieving data, error code: WSAECONNRESET - The virtual "
         "circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the remote host "
         "was unable to deliver a previously sent UDP datagram and responded with a 'Port Unreachable' ICMP packet. "
         "The application should close the socket as it is no longer usable.  mStreamType: Tetrode"},
        {Op::ProcessRecieveError, 10050,
         "NodeConnectionClient::ProcessRecieveError() - Error recieving data, error code: WSAENETDOWN - The network "
         "subsystem has failed.  mStreamType: Tetrode"},
        {Op::ProcessCloseError, 10038,
         "NodeConnectionClient::ProcessCloseError() - Error closing socket, error code: WSAENOTSOCK - The descriptor "
         "is not a socket.  mStreamType: Tetrode"},
        {Op::ProcessCloseError, 10035,
         "NodeConnectionClient::ProcessCloseError() - Error closing socket, error code: WSAEWOULDBLOCK - The socket is "
         "marked as nonblocking and SO_LINGER is set to a nonzero time-out value.  mStreamType: Tetrode"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StreamSocketErrorLine(c.operation, c.code, "Tetrode"), c.line) << c.code;
    }
}

TEST(StreamSocketErrorsTest, CodesAnOperationDoesNotListStillWriteALine) {
    // WSAECONNRESET is listed for receiving only; 995 by no operation.
    EXPECT_EQ(StreamSocketErrorLine(Op::AcceptClientSocket, 10054, "CSC"),
              "NodeConnectionClient::AcceptClientSocket() - Error Accepting Socket, error code: 10054 - Unknown error "
              "code.  mStreamType: CSC");
    EXPECT_EQ(StreamSocketErrorLine(Op::ProcessRecieveError, 995, "CSC"),
              "NodeConnectionClient::ProcessRecieveError() - Error recieving data, error code: 995 - Unknown error "
              "code.  mStreamType: CSC");
    EXPECT_EQ(StreamSocketErrorLine(Op::ProcessCloseError, 10054, "CSC"),
              "NodeConnectionClient::ProcessCloseError() - Error closing socket, error code: UNKNOWN.  mStreamType: "
              "CSC");
}

}  // namespace
