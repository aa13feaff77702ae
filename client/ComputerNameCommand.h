#pragma once
// The "-SetComputerName " command with this computer's name. The system's
// answer is not trusted: a query that fails gives the empty name, and the
// name never runs past its buffer, whatever the query left there.
#include <string>

namespace computername {

// The system's names are at most 127 characters here.
inline constexpr int kBufferSize = 128;

using Query = bool (*)(char* buffer, int size);

// The command for the name query gives; platform::QueryComputerName in the
// product, a stand-in in tests.
std::string SetComputerNameCommand(Query query);

}  // namespace computername
