#pragma once
// The stream server's socket error table: for each failing socket step and
// each error reporter, the one log line a Windows Sockets error number gives.
#include <string>

enum class StreamSocketOperation {
    CreateSocket,
    BindSocket,
    ListenToSocket,
    AcceptClientSocket,
    ProcessRecieveError,
    ProcessCloseError,
};

// "NodeConnectionClient::<operation>() - <lead>, error code: <symbol> -
// <explanation>  mStreamType: <streamType>" for a code the operation lists.
// A code it does not list gives the same line with the number in place of the
// symbol and "Unknown error code." as the explanation; ProcessCloseError says
// "error code: UNKNOWN." instead, as it always has.
std::string StreamSocketErrorLine(StreamSocketOperation operation, int errorCode, const std::string& streamType);
