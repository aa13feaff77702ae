#include "platform/ComputerName.h"

#include <unistd.h>

namespace platform {

bool QueryComputerName(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    if (::gethostname(buffer, static_cast<size_t>(size)) != 0) {
        buffer[0] = '\0';
        return false;
    }
    buffer[size - 1] = '\0';  // gethostname may leave a cut name unterminated
    return true;
}

}  // namespace platform
