#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/gtk/DialogTemplate.h"
#include "app/gtk/GtkDialogWindow.h"
#include "app/gtk/GtkMessageBox.h"
#include "app/gtk/GtkThread.h"
#include "platform/MessageBox.h"

namespace {

// What the box showed, read off the dialog before it is answered.
struct SeenBox {
    std::string title;
    std::string text;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    bool modal = false;
    GtkWindow* parent = nullptr;
    int count = 0;
};

// Answers the first message dialog that shows with OK, as a user would.
gboolean AnswerBox(gpointer data) {
    auto* seen = static_cast<SeenBox*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
            GtkWindow* box = GTK_WINDOW(w->data);
            gchar* text = nullptr;
            g_object_get(box, "text", &text, "message-type", &seen->type, nullptr);
            seen->text = text != nullptr ? text : "";
            g_free(text);
            seen->title = gtk_window_get_title(box);
            seen->modal = gtk_window_get_modal(box);
            seen->parent = gtk_window_get_transient_for(box);
            ++seen->count;
            gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
            g_list_free(windows);
            return G_SOURCE_REMOVE;
        }
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
}

class GtkMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gtk_init_check(nullptr, nullptr)) {
            GTEST_SKIP() << "no display";
        }
        gtkthread::MarkGtkThread();
        mPrevious = platform::SetMessageBoxHandler(nullptr);
        gtkmessagebox::InstallHandler();
    }
    void TearDown() override { platform::SetMessageBoxHandler(mPrevious); }

    platform::MessageBoxHandler mPrevious;
};

TEST_F(GtkMessageBoxTest, TheIconGivesTheKindAndTheCaptionTheTitle) {
    struct Case {
        unsigned icon;
        GtkMessageType type;
    };
    const Case cases[] = {
        {platform::kIconError, GTK_MESSAGE_ERROR},
        {platform::kIconExclamation, GTK_MESSAGE_WARNING},
        {platform::kIconInformation, GTK_MESSAGE_INFO},
        {platform::kIconNone, GTK_MESSAGE_OTHER},
    };
    GtkWidget* owner = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    for (const Case& c : cases) {
        SeenBox seen;
        const guint answering = g_timeout_add(10, AnswerBox, &seen);
        EXPECT_EQ(platform::ShowMessageBox("Coult not initialize COM0. ERROR: 2", "COM Initialization Error", owner,
                                           c.icon),
                  platform::kIdOk);
        if (seen.count == 0) {
            g_source_remove(answering);
        }
        EXPECT_EQ(seen.count, 1) << c.icon;
        EXPECT_EQ(seen.type, c.type) << c.icon;
        EXPECT_EQ(seen.text, "Coult not initialize COM0. ERROR: 2");
        EXPECT_EQ(seen.title, "COM Initialization Error");
        EXPECT_TRUE(seen.modal);
        EXPECT_EQ(seen.parent, GTK_WINDOW(owner));
    }
    gtk_widget_destroy(owner);
}

// The worker asks for a box while the window's thread waits for the worker
// to end (the close steps): the box must still show, and the wait end, or
// the program would hang on closing.
TEST_F(GtkMessageBoxTest, AWorkersBoxIsShownWhileTheWindowWaitsForTheWorker) {
    GtkDialogWindow window(gtkdialog::OrbilaneTemplate());
    std::atomic<bool> ended{false};
    std::atomic<int> answer{0};
    SeenBox seen;
    const guint answering = g_timeout_add(10, AnswerBox, &seen);
    std::thread worker([&] {
        answer = platform::ShowMessageBox("Lost the connection to Quorvex.", "Quorvex Connection Error", nullptr,
                                          platform::kIconError);
        ended = true;
    });
    window.WaitAnswering([&] { return ended.load(); });
    worker.join();
    if (seen.count == 0) {
        g_source_remove(answering);
    }
    EXPECT_EQ(answer, platform::kIdOk);
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, "Lost the connection to Quorvex.");
    EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);
    // Drain the wake-up the worker posted: it finds nothing left to show.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    EXPECT_EQ(seen.count, 1);
}

}  // namespace
