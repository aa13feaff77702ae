#include "client/ComputerNameCommand.h"

namespace computername {

std::string SetComputerNameCommand(Query query) {
    char name[kBufferSize] = {};
    if (!query(name, kBufferSize)) name[0] = '\0';
    name[kBufferSize - 1] = '\0';
    return std::string("-SetComputerName ") + name;
}

}  // namespace computername
