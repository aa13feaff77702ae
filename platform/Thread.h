#pragma once
// What std::thread cannot say: thread priority.
namespace platform {

// Raises the calling thread one step above normal (THREAD_PRIORITY_ABOVE_NORMAL
// on Windows, one nice step on Linux). Returns false when the system refused;
// the thread then simply runs at normal priority.
bool RaiseCurrentThreadPriority();

}  // namespace platform
