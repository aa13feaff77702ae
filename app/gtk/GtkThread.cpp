#include "app/gtk/GtkThread.h"

#include <glib.h>

#include <thread>
#include <utility>

namespace gtkthread {
namespace {

std::thread::id gGtkThread;

gboolean RunTask(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void DeleteTask(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
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
    g_idle_add_full(G_PRIORITY_DEFAULT, RunTask, new std::function<void()>(std::move(task)), DeleteTask);
}

}  // namespace gtkthread
