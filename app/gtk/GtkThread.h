#pragma once
// The thread that runs GTK, and a way for other threads to have it do
// something. GTK may be used from that one thread only; the worker's requests
// (button states, the wait cursor, the refresh, message boxes) come through here.
#include <functional>

namespace gtkthread {

// Marks the calling thread as the GTK thread; called once, before any window.
void MarkGtkThread();
bool OnGtkThread();

// Queues task for the GTK thread's main loop and returns at once. Tasks run
// in the order they were posted, with the priority of an ordinary event.
void Post(std::function<void()> task);

}  // namespace gtkthread
