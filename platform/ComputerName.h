#pragma once
#include <string>
// This computer's name (GetComputerNameA on Windows, the host name on POSIX).
namespace platform {

// Writes the NUL-terminated name into buffer (at most size-1 characters) and
// returns true; on failure writes the empty text (when size > 0) and returns false.
bool QueryComputerName(char* buffer, int size);

}  // namespace platform
