#include "app/gtk/GtkThread.h"

#include <glib.h>

#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace gtkthread {
namespace {

std::thread::id gGtkThread;

// The tasks themselves wait here, handed over under a mutex of ours rather than
// through glib's own locks, so the hand-over is one the thread checker sees.
// Each idle source runs the oldest task.
std::mutex gTasksMutex;
std::deque<std::function<void()>> gTasks;

gboolean RunTask(gpointer) {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(gTasksMutex);
        if (gTasks.empty()) return G_SOURCE_REMOVE;
        task = std::move(gTasks.front());
        gTasks.pop_front();
    }
    task();
    return G_SOURCE_REMOVE;
}

}  // namespace

void MarkGtkThread() {
    gGtkThread = std::this_thread::get_id();
}

bool OnGtkThread() {
    return std::this_thread::get_id() == gGtkThread;
}

void Post(std::function<void()> task) {
    // An idle source of default priority rather than g_main_context_invoke,
    // which would run the task at once when called on the GTK thread: a post
    // must return before its task runs, as a posted window message does.
    // Sources of one priority are dispatched in the order they were added.
    {
        std::lock_guard<std::mutex> lock(gTasksMutex);
        gTasks.push_back(std::move(task));
    }
    g_idle_add_full(G_PRIORITY_DEFAULT, RunTask, nullptr, nullptr);
}

}  // namespace gtkthread
