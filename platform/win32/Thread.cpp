#include "platform/Thread.h"

#include <windows.h>

namespace platform {

bool RaiseCurrentThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL) != 0;
}

}  // namespace platform
