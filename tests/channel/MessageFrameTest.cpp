#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "channel/MessageFrame.h"
#include "channel/SendAll.h"
#include "channel/SocketErrorTables.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(MessageFrameTest, TextsTravelWithTheirNulAfterALittleEndianHeader) {
    const Bytes expected = {0x01, 0x00, 0x00, 0x00, 0xA5, 0xA5, 0xA5, 0xA5, 0x0E, 0x00, 0x00, 0x00,
                            '-',  'G',  'e',  't',  'T',  'i',  'm',  'e',  's',  't',  'a',  'm',
                            'p',  0x00};
    EXPECT_EQ(frame::EncodeTextFrame("-GetTimestamp"), expected);
    EXPECT_EQ(frame::EncodeTextFrame(""), (Bytes{1, 0, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5, 1, 0, 0, 0, 0}));

    unsigned char header[12];
    frame::WriteHeader(header, 0x01020304, -2, 0x11223344u);
    EXPECT_EQ(Bytes(header, header + 12), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x44, 0x33, 0x22, 0x11, 4, 3, 2, 1}));
    EXPECT_EQ(frame::ReadInt32(header), -2);
    EXPECT_EQ(frame::ReadUint32(header + 4), 0x11223344u);
    EXPECT_EQ(frame::ReadInt32(header + 8), 0x01020304);
}

TEST(MessageFrameTest, FrameStartIsJudgedVersionFirst) {
    using frame::FrameStart;
    const struct {
        std::int32_t version;
        std::uint32_t validation;
        FrameStart expected;
    } cases[] = {
        {1, 0xA5A5A5A5u, FrameStart::Ok},
        {0, 0xA5A5A5A5u, FrameStart::VersionTooLow},
        {-1, 0, FrameStart::VersionTooLow},
        {2, 0xA5A5A5A5u, FrameStart::VersionUnsupported},
        {2, 0, FrameStart::VersionUnsupported},  // the code is judged only for version 1
        {1, 0xA5A5A5A4u, FrameStart::BadValidationCode},
        {1, 0x25A5A5A5u, FrameStart::BadValidationCode},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frame::CheckFrameStart(c.version, c.validation), c.expected) << c.version << " " << c.validation;
    }
}

TEST(MessageFrameTest, PayloadTextEndsAtTheFirstNulOrTakesEverything) {
    const unsigned char inner[] = {'0', ' ', '1', 0, '2'};
    const unsigned char plain[] = {'0', ' ', '1', '2'};
    EXPECT_EQ(frame::PayloadText(inner, 5), "0 1");
    EXPECT_EQ(frame::PayloadText(plain, 4), "0 12");
    EXPECT_EQ(frame::PayloadText(plain, 0), "");
}

// The socket may take part of a frame; the rest must follow.
TEST(SendAllTest, PartialSendsAreContinuedUntilTheFrameIsOutOrTheSocketFails) {
    const Bytes frame = frame::EncodeTextFrame("-GetTimestamp");
    const int length = static_cast<int>(frame.size());

    Bytes wire;
    const auto fiveAtATime = [&wire](const unsigned char* d, int n) {
        const int taken = std::min(n, 5);
        wire.insert(wire.end(), d, d + taken);
        return taken;
    };
    SendProgress p = SendAll(frame.data(), length, fiveAtATime);
    EXPECT_TRUE(p.Complete(length));
    EXPECT_EQ(wire, frame);

    int calls = 0;
    const auto failsSecond = [&calls](const unsigned char*, int n) { return ++calls == 1 ? n / 2 : -1; };
    p = SendAll(frame.data(), length, failsSecond);
    EXPECT_EQ(p.sent, length / 2);
    EXPECT_EQ(p.lastResult, -1);
    EXPECT_FALSE(p.Complete(length));

    calls = 0;
    const auto stalls = [&calls](const unsigned char*, int) { return ++calls == 1 ? 10 : 0; };
    p = SendAll(frame.data(), length, stalls);
    EXPECT_EQ(p.sent, 10);
    EXPECT_EQ(p.lastResult, 0);
    EXPECT_EQ(calls, 2);
}

TEST(SocketErrorTablesTest, LinesAreBeginningSymbolAndExplanation) {
    EXPECT_EQ(SocketErrorLine(errortables::kConnectToServer, 10061),
              "NetworkNodeClient::ConnectToServer() - Error Connecting To Server, error code: WSAECONNREFUSED - The "
              "attempt to connect was forcefully rejected.");
    EXPECT_EQ(SocketErrorLine(errortables::kConnectToServer, 10037),
              "NetworkNodeClient::ConnectToServer() - Error Connecting To Server, error code: WSAEALREADY - A "
              "nonblocking connect call is in progress on the specified socket. ");
    EXPECT_EQ(SocketErrorLine(errortables::kGetServerInfo, 11001),
              "NetworkNodeClient::GetServerInfo() - Error Getting Server Name, error code: WSAHOST_NOT_FOUND - "
              "Authoritative answer host not found.");
    EXPECT_EQ(SocketErrorLine(errortables::kSocketStartup, 10092),
              "NetworkNodeClient::SocketStartup() - Error requesting Socket Startup, return code: WSAVERNOTSUPPORTED "
              "- The version of Windows Sockets support requested is not provided by this particular Windows Sockets "
              "implementation.");
    EXPECT_EQ(SocketErrorLine(errortables::kClose, 10038),
              "NetworkNodeClient::ProcessCloseError() - Error closing socket, error code: WSAENOTSOCK - The "
              "descriptor is not a socket.");
    EXPECT_EQ(SocketErrorLine(errortables::kCreateSocket, 10024),
              "NetworkNodeClient::CreateSocket() - Error Creating Socket, error code: WSAEMFILE - No more socket "
              "descriptors are available.");
    EXPECT_EQ(SocketErrorLine(errortables::kSend, 10061), "");  // no row, no line
    EXPECT_EQ(SocketErrorLine(errortables::kRecieve, 10013), "");
}

TEST(SocketErrorTablesTest, TablesHoldTheirRowsAndTheReceiveRowsAreTheSendRows) {
    const std::pair<const SocketErrorTable*, size_t> sizes[] = {
        {&errortables::kSend, 19},         {&errortables::kRecieve, 15},         {&errortables::kSocketStartup, 5},
        {&errortables::kCreateSocket, 9},  {&errortables::kGetServerInfo, 9},    {&errortables::kConnectToServer, 18},
        {&errortables::kClose, 6},
    };
    for (const auto& [table, rows] : sizes) {
        EXPECT_EQ(table->rows.size(), rows) << table->beginning;
        std::set<int> codes;
        for (const SocketErrorRow& row : table->rows) EXPECT_TRUE(codes.insert(row.code).second) << row.code;
    }
    for (const SocketErrorRow& row : errortables::kRecieve.rows) {
        const std::string send = SocketErrorLine(errortables::kSend, row.code);
        ASSERT_FALSE(send.empty()) << row.code;
        EXPECT_EQ(send.substr(send.find("error code: ")),
                  SocketErrorLine(errortables::kRecieve, row.code).substr(std::string(errortables::kRecieve.beginning).find("error code: ")));
    }
    EXPECT_EQ(SocketErrorLine(errortables::kRecieve, 10054),
              "NetworkNodeClient::ProcessRecieveError() - Error recieving data, error code: WSAECONNRESET - The "
              "virtual circuit was reset by the remote side executing a hard or abortive close. For UPD sockets, the "
              "remote host was unable to deliver a previously sent UDP datagram and responded with a 'Port "
              "Unreachable' ICMP packet. The application should close the socket as it is no longer usable.");
}

}  // namespace
