#pragma once
// How titling reads the server's reply to "-GetTimestamp": a decimal status,
// then, after any white space, the timestamp as a signed 64-bit decimal, the
// way scanf's "%d %I64d" reads them. A pure function, so every reply form is
// checked without a server.
#include <cstdint>
#include <string>

// Converts the status, then the timestamp, from the start of reply, and
// returns how many were converted (0, 1 or 2). Reading stops at the first
// value that cannot be converted (no digits, or beyond its type's range),
// and a value that is not converted keeps what it held. Anything after the
// timestamp is ignored.
int ReadTimestampReply(const std::string& reply, std::int32_t& status, std::int64_t& timestamp);
