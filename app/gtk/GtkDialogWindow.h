#pragma once
// The GTK back end of OrbilaneDlg: a top-level window laid out from the
// dialog template in dialog units of an 8-point font, run modally by a main
// loop of its own until a quit request. It routes the window's signals to the
// dialog's handlers as the Win32 message table does, and does the dialog
// manager's keyboard work: Tab order, Enter for the default button, Esc.
#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/DialogUnits.h"
#include "app/DialogWindow.h"
#include "app/WaitCursorCount.h"
#include "app/gtk/DialogTemplate.h"

class OrbilaneDlg;

class GtkDialogWindow : public DialogWindow {
public:
    // On the GTK thread, after gtk_init.
    explicit GtkDialogWindow(const gtkdialog::DialogTemplate& dialogTemplate);
    ~GtkDialogWindow() override;

    GtkDialogWindow(const GtkDialogWindow&) = delete;
    GtkDialogWindow& operator=(const GtkDialogWindow&) = delete;

    // Creates the window for dlg and runs it until a quit request, then
    // destroys it. Returns the quit request's exit code. A parent, when
    // given, takes no input while the window runs.
    int RunModal(OrbilaneDlg& dlg, GtkWindow* parent);

    std::string GetControlText(int id) override;
    void SetControlText(int id, const std::string& text) override;
    void EnableControl(int id, bool on) override;
    void FocusAndSelectAll(int id) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void PostToWindow(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostQuitRequest(int exitCode) override;
    void WaitAnswering(const std::function<bool()>& done) override;
    void* NativeHandle() override;
    IconHandle LoadIconResource(int id) override;
    void SetIcon(IconHandle icon, IconSize size) override;
    bool PaintMinimisedIcon(IconHandle icon) override;
    std::string ApplicationName() override;

    // The measure of the window's layout, known once the window is created.
    dialogunits::BaseUnits BaseUnits() const { return mBaseUnits; }

private:
    // The one way requests of other threads reach this window: whatever is
    // still queued when the window has gone finds no window and is dropped.
    struct Target {
        GtkDialogWindow* window;
    };

    void CreateWindow();
    void CreateControl(GtkFixed* fixed, const gtkdialog::TemplateControl& control);
    void DestroyWindow();
    GtkWidget* Control(int id) const;
    void RunOnWindowThread(std::function<void(GtkDialogWindow&)> task);
    // Applies the wait cursor's state now, or has the GTK thread do it.
    void RequestCursor();
    // Shows the wait cursor or brings back the cursors it replaced; GTK thread only.
    void ApplyCursor();
    void OnCommand(int id);
    void OnCloseRequest();
    bool OnKeyPress(const GdkEventKey& event);

    static void OnClicked(GtkButton* button, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static void OnRealize(GtkWidget* widget, gpointer self);

    const gtkdialog::DialogTemplate& mTemplate;
    std::string mApplicationName;
    std::shared_ptr<Target> mTarget;
    OrbilaneDlg* mDlg = nullptr;
    GtkWidget* mWindow = nullptr;
    std::map<int, GtkWidget*> mControls;  // by control id
    dialogunits::BaseUnits mBaseUnits{0, 0};
    GMainLoop* mLoop = nullptr;
    int mExitCode = 0;
    cairo_t* mPaintContext = nullptr;  // while the window draws
    GdkPixbuf* mIconPicture = nullptr;
    GdkPixbuf* mBigIcon = nullptr;
    GdkPixbuf* mSmallIcon = nullptr;
    WaitCursorCount mCursor;
    std::map<GdkWindow*, GdkCursor*> mReplacedCursors;  // while the wait cursor shows
};
