#include "app/gtk/GtkMessageBox.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <deque>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>

#include "app/gtk/GtkText.h"
#include "app/gtk/GtkThread.h"

namespace gtkmessagebox {
namespace {

// The Windows box icons as GTK's kinds of message dialog.
// The kind tells assistive tools what the box is; the icon shows it.
struct IconKind {
    unsigned icon;
    GtkMessageType type;
    const char* iconName;
};

constexpr IconKind kIconKinds[] = {
    {platform::kIconError, GTK_MESSAGE_ERROR, "dialog-error"},
    {platform::kIconExclamation, GTK_MESSAGE_WARNING, "dialog-warning"},
    {platform::kIconInformation, GTK_MESSAGE_INFO, "dialog-information"},
    {platform::kIconQuestion, GTK_MESSAGE_QUESTION, "dialog-question"},
};
constexpr IconKind kNoIcon = {platform::kIconNone, GTK_MESSAGE_OTHER, nullptr};

const IconKind& KindOf(unsigned icon) {
    const auto* found = std::find_if(std::begin(kIconKinds), std::end(kIconKinds),
                                     [&](const IconKind& kind) { return kind.icon == icon; });
    return found != std::end(kIconKinds) ? *found : kNoIcon;
}

// Boxes asked for by other threads, waiting for the GTK thread to show them.
struct PendingBox {
    platform::MessageBoxRequest request;
    std::promise<int> answer;
};

std::mutex gPendingLock;
std::deque<std::shared_ptr<PendingBox>> gPending;

int Show(const platform::MessageBoxRequest& request) {
    if (gtkthread::OnGtkThread()) {
        return ShowOnGtkThread(request);
    }
    // GTK is the GTK thread's alone: it shows the box, and this thread waits
    // for the answer, as a box on Windows keeps its caller until dismissed.
    // The GTK thread takes it up in its main loop, or while it waits
    // answering for this thread to end.
    auto box = std::make_shared<PendingBox>();
    box->request = request;
    std::future<int> answered = box->answer.get_future();
    {
        std::lock_guard<std::mutex> lock(gPendingLock);
        gPending.push_back(box);
    }
    gtkthread::Post([] { AnswerPending(); });
    return answered.get();
}

}  // namespace

void InstallHandler() {
    platform::SetMessageBoxHandler(Show);
}

bool AnswerPending() {
    bool shown = false;
    for (;;) {
        std::shared_ptr<PendingBox> box;
        {
            std::lock_guard<std::mutex> lock(gPendingLock);
            if (gPending.empty()) {
                return shown;
            }
            box = gPending.front();
            gPending.pop_front();
        }
        box->answer.set_value(ShowOnGtkThread(box->request));
        shown = true;
    }
}

int ShowOnGtkThread(const platform::MessageBoxRequest& request) {
    GtkWindow* owner = request.owner != nullptr ? GTK_WINDOW(request.owner) : nullptr;
    const IconKind& kind = KindOf(request.icon);
    GtkWidget* box = gtk_message_dialog_new(owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            kind.type, GTK_BUTTONS_OK, "%s", gtktext::ForDisplay(request.text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), gtktext::ForDisplay(request.caption).c_str());
    if (kind.iconName != nullptr) {
        // GTK 3 draws no icon in a message dialog of its own accord; a box
        // of ours carries its icon as the Windows box does.
        GtkWidget* image = gtk_image_new_from_icon_name(kind.iconName, GTK_ICON_SIZE_DIALOG);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_widget_show(image);
        // Which the image made a box of no kind: the kind again, for
        // assistive tools and the theme.
        g_object_set(box, "message-type", kind.type, nullptr);
    }
    // Without an owner the box is a window of its own, in the task bar like
    // any top-level window; with one, it stays above it.
    if (owner == nullptr) {
        gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    }
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    // Whichever way the box went (OK, Esc, its close button), the only
    // answer a box with one OK button has is OK.
    return platform::kIdOk;
}

}  // namespace gtkmessagebox
