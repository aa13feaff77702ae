#pragma once
// The tables through which NetworkNodeClient reports a failed socket call:
// per operation, a fixed beginning and rows of Windows Sockets code, symbol
// and explanation. A line is the beginning, the symbol, " - " and the
// explanation; a code without a row has no line.
#include <span>
#include <string>

struct SocketErrorRow {
    int code;
    const char* symbol;
    const char* explanation;
};

struct SocketErrorTable {
    const char* beginning;
    std::span<const SocketErrorRow> rows;
};

// The line for code, or the empty text when the table has no row for it.
std::string SocketErrorLine(const SocketErrorTable& table, int code);

namespace errortables {
extern const SocketErrorTable kSend;           // ProcessSendError
extern const SocketErrorTable kRecieve;        // ProcessRecieveError
extern const SocketErrorTable kSocketStartup;  // SocketStartup, keyed by WSAStartup's result
extern const SocketErrorTable kCreateSocket;
extern const SocketErrorTable kGetServerInfo;
extern const SocketErrorTable kConnectToServer;
extern const SocketErrorTable kClose;  // ProcessCloseError
}  // namespace errortables
