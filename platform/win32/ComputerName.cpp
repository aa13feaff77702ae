#include "platform/ComputerName.h"

#include <windows.h>

namespace platform {

bool QueryComputerName(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    DWORD length = static_cast<DWORD>(size);
    if (!GetComputerNameA(buffer, &length)) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace platform
