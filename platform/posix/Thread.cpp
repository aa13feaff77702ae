#include "platform/Thread.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

// On Linux a nice value belongs to the thread (its task id), so one step down
// in niceness is the POSIX counterpart of THREAD_PRIORITY_ABOVE_NORMAL. It
// needs the right to raise priority; without it the thread stays normal.
bool RaiseCurrentThreadPriority() {
#ifdef __linux__
    const id_t tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0) return false;
    return ::setpriority(PRIO_PROCESS, tid, current - 1) == 0;
#else
    return false;
#endif
}

}  // namespace platform
