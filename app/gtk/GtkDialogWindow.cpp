#include "app/gtk/GtkDialogWindow.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "app/IconPlacement.h"
#include "app/OrbilaneDlg.h"
#include "app/Resource.h"
#include "app/gtk/GtkMessageBox.h"
#include "app/gtk/GtkText.h"
#include "app/gtk/GtkThread.h"
#include "app/gtk/OrbilaneIconPixels.h"

namespace {

using gtkdialog::ControlKind;
using gtkdialog::TemplateControl;

// The template's font is 8 points, and so is the window's text. The
// controls lose the theme's roomy padding: a template sizes them to their
// text, as the Windows dialog manager does.
constexpr const char* kStyleClass = "orbilane-dialog";
constexpr const char* kStyle =
    ".orbilane-dialog { font-size: 8pt; }\n"
    ".orbilane-dialog button { min-height: 0; min-width: 0; padding: 0 4px; }\n"
    ".orbilane-dialog entry { min-height: 0; min-width: 0; padding: 0 3px; }\n";

void InstallStyleOnce() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

// The caption of the window's own message boxes. Windows takes the
// executable's name ("Orbilane" for Orbilane.exe); Linux programs are named
// in lower case, so the product's own name is used instead of "orbilane".
constexpr const char* kApplicationName = "Orbilane";

bool IsTabStop(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton || kind == ControlKind::EditField;
}

bool HasModifier(const GdkEventKey& event, GdkModifierType modifier) {
    return (event.state & gtk_accelerator_get_default_mod_mask() & modifier) != 0;
}

}  // namespace

GtkDialogWindow::GtkDialogWindow(const gtkdialog::DialogTemplate& dialogTemplate)
    : mTemplate(dialogTemplate), mApplicationName(kApplicationName), mTarget(std::make_shared<Target>(Target{this})) {}

GtkDialogWindow::~GtkDialogWindow() {
    mTarget->window = nullptr;  // what other threads still queued finds no window
    DestroyWindow();
    if (mIconPicture != nullptr) {
        g_object_unref(mIconPicture);
    }
}

int GtkDialogWindow::RunModal(OrbilaneDlg& dlg, GtkWindow* parent) {
    mDlg = &dlg;
    mExitCode = -1;
    CreateWindow();
    if (parent != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(mWindow), parent);
        gtk_window_set_modal(GTK_WINDOW(mWindow), TRUE);
    }
    gtk_widget_realize(mWindow);
    const bool focusFirst = mDlg->OnInitDialog();
    gtk_widget_show_all(mWindow);
    // Given before the window shows, GTK would keep the focus only half:
    // the first Tab would go to the control that has it already.
    if (focusFirst) {
        // The first control with a tab stop that takes the focus: Start.
        for (const TemplateControl& control : mTemplate.controls) {
            GtkWidget* widget = Control(control.id);
            if (IsTabStop(control.kind) && widget != nullptr && gtk_widget_is_sensitive(widget)) {
                gtk_widget_grab_focus(widget);
                break;
            }
        }
    }

    mLoop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(mLoop);
    g_main_loop_unref(mLoop);
    mLoop = nullptr;

    DestroyWindow();
    mDlg = nullptr;
    return mExitCode;
}

void GtkDialogWindow::CreateWindow() {
    InstallStyleOnce();
    mWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(mWindow), kStyleClass);
    gtk_window_set_title(GTK_WINDOW(mWindow), mTemplate.caption);
    gtk_window_set_resizable(GTK_WINDOW(mWindow), FALSE);

    // The template's measure: the dialog font's average letter and its height.
    PangoLayout* sample = gtk_widget_create_pango_layout(mWindow, dialogunits::kAverageWidthSample);
    int sampleWidth = 0;
    int height = 0;
    pango_layout_get_pixel_size(sample, &sampleWidth, &height);
    g_object_unref(sample);
    mBaseUnits = dialogunits::BaseUnitsOf(sampleWidth, height);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, dialogunits::ToPixelsX(mTemplate.width, mBaseUnits),
                                dialogunits::ToPixelsY(mTemplate.height, mBaseUnits));
    gtk_container_add(GTK_CONTAINER(mWindow), fixed);

    // In template order, which is also the order assistive tools list them in.
    GList* focusChain = nullptr;
    for (const TemplateControl& control : mTemplate.controls) {
        CreateControl(GTK_FIXED(fixed), control);
    }
    for (const TemplateControl& control : mTemplate.controls) {
        if (IsTabStop(control.kind)) {
            focusChain = g_list_append(focusChain, Control(control.id));
        }
    }
    // Tab follows the template, as in the Windows dialog, not the positions
    // on screen, by which GTK would order the port field before Stop.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), focusChain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(focusChain);

    g_signal_connect(mWindow, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(mWindow, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(mWindow, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(mWindow, "realize", G_CALLBACK(OnRealize), this);
}

void GtkDialogWindow::CreateControl(GtkFixed* fixed, const TemplateControl& control) {
    GtkWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::StaticText: {
        // Left aligned and wrapping; what does not fit the control's lines is cut.
        widget = gtk_label_new(control.text);
        GtkLabel* label = GTK_LABEL(widget);
        gtk_label_set_xalign(label, 0.0f);
        gtk_label_set_yalign(label, 0.0f);
        gtk_label_set_line_wrap(label, TRUE);
        gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
        gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
        gtk_label_set_lines(label, std::max(1, control.height / 8));
        gtk_label_set_max_width_chars(label, 1);  // the template gives the width, not the text
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        widget = gtk_button_new_with_label(control.text);
        g_object_set_data(G_OBJECT(widget), "orbilane-id", GINT_TO_POINTER(control.id));
        g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
        break;
    case ControlKind::EditField:
        widget = gtk_entry_new();
        gtk_entry_set_text(GTK_ENTRY(widget), control.text);
        gtk_entry_set_width_chars(GTK_ENTRY(widget), 1);  // the template gives the width
        break;
    case ControlKind::GroupBox:
        widget = gtk_frame_new(control.text);
        break;
    }
    gtk_widget_set_size_request(widget, dialogunits::ToPixelsX(control.width, mBaseUnits),
                                dialogunits::ToPixelsY(control.height, mBaseUnits));
    gtk_fixed_put(fixed, widget, dialogunits::ToPixelsX(control.x, mBaseUnits),
                  dialogunits::ToPixelsY(control.y, mBaseUnits));
    gtk_widget_set_sensitive(widget, !control.disabled);
    if (control.kind == ControlKind::DefPushButton) {
        gtk_widget_set_can_default(widget, TRUE);
        gtk_window_set_default(GTK_WINDOW(mWindow), widget);
    }
    if (control.id != IDC_STATIC) {
        // Assistive tools find a control by its id, as a Windows tool would.
        atk_object_set_accessible_id(gtk_widget_get_accessible(widget), std::to_string(control.id).c_str());
        mControls[control.id] = widget;
    }
}

void GtkDialogWindow::DestroyWindow() {
    if (mWindow == nullptr) {
        return;
    }
    for (auto& [window, cursor] : mReplacedCursors) {
        if (cursor != nullptr) {
            g_object_unref(cursor);
        }
    }
    mReplacedCursors.clear();
    gtk_widget_destroy(mWindow);
    mWindow = nullptr;
    mControls.clear();
}

GtkWidget* GtkDialogWindow::Control(int id) const {
    const auto found = mControls.find(id);
    return found != mControls.end() ? found->second : nullptr;
}

void GtkDialogWindow::RunOnWindowThread(std::function<void(GtkDialogWindow&)> task) {
    gtkthread::Post([target = mTarget, task = std::move(task)] {
        if (target->window != nullptr && target->window->mWindow != nullptr) {
            task(*target->window);
        }
    });
}

std::string GtkDialogWindow::GetControlText(int id) {
    GtkWidget* widget = Control(id);
    const char* text = nullptr;
    if (widget == nullptr) {
        return {};
    }
    if (GTK_IS_ENTRY(widget)) {
        text = gtk_entry_get_text(GTK_ENTRY(widget));
    } else if (GTK_IS_LABEL(widget)) {
        text = gtk_label_get_text(GTK_LABEL(widget));
    } else if (GTK_IS_BUTTON(widget)) {
        text = gtk_button_get_label(GTK_BUTTON(widget));
    }
    return text != nullptr ? text : "";
}

void GtkDialogWindow::SetControlText(int id, const std::string& text) {
    GtkWidget* widget = Control(id);
    const std::string shown = gtktext::ForDisplay(text);
    if (widget == nullptr) {
        return;
    }
    if (GTK_IS_ENTRY(widget)) {
        gtk_entry_set_text(GTK_ENTRY(widget), shown.c_str());
    } else if (GTK_IS_LABEL(widget)) {
        gtk_label_set_text(GTK_LABEL(widget), shown.c_str());
    } else if (GTK_IS_BUTTON(widget)) {
        gtk_button_set_label(GTK_BUTTON(widget), shown.c_str());
    }
}

void GtkDialogWindow::EnableControl(int id, bool on) {
    if (!gtkthread::OnGtkThread()) {
        // Queued in order with the worker's other requests, so the buttons
        // end as the last request says.
        RunOnWindowThread([id, on](GtkDialogWindow& window) { window.EnableControl(id, on); });
        return;
    }
    if (GtkWidget* widget = Control(id)) {
        gtk_widget_set_sensitive(widget, on ? TRUE : FALSE);
    }
}

void GtkDialogWindow::FocusAndSelectAll(int id) {
    GtkWidget* widget = Control(id);
    if (widget == nullptr) {
        return;
    }
    gtk_widget_grab_focus(widget);
    if (GTK_IS_EDITABLE(widget)) {
        gtk_editable_select_region(GTK_EDITABLE(widget), 0, -1);
    }
}

void GtkDialogWindow::BeginWaitCursor() {
    if (mCursor.Begin()) {
        RequestCursor();
    }
}

void GtkDialogWindow::EndWaitCursor() {
    if (mCursor.End()) {
        RequestCursor();
    }
}

void GtkDialogWindow::RequestCursor() {
    if (gtkthread::OnGtkThread()) {
        ApplyCursor();
    } else {
        RunOnWindowThread([](GtkDialogWindow& window) { window.ApplyCursor(); });
    }
}

void GtkDialogWindow::ApplyCursor() {
    if (mWindow == nullptr || gtk_widget_get_window(mWindow) == nullptr) {
        return;
    }
    GdkWindow* top = gtk_widget_get_window(mWindow);
    if (mCursor.IsWaiting() && mReplacedCursors.empty()) {
        // Over the whole window, the port field's text area and the buttons
        // included, each of which has a window and a cursor of its own.
        GdkCursor* wait = gdk_cursor_new_for_display(gdk_window_get_display(top), GDK_WATCH);
        std::vector<GdkWindow*> windows{top};
        for (std::size_t i = 0; i < windows.size(); ++i) {
            for (GList* child = gdk_window_peek_children(windows[i]); child != nullptr; child = child->next) {
                windows.push_back(static_cast<GdkWindow*>(child->data));
            }
        }
        for (GdkWindow* window : windows) {
            GdkCursor* previous = gdk_window_get_cursor(window);
            mReplacedCursors[window] = previous != nullptr ? GDK_CURSOR(g_object_ref(previous)) : nullptr;
            gdk_window_set_cursor(window, wait);
        }
        g_object_unref(wait);
    } else if (!mCursor.IsWaiting() && !mReplacedCursors.empty()) {
        for (auto& [window, cursor] : mReplacedCursors) {
            gdk_window_set_cursor(window, cursor);
            if (cursor != nullptr) {
                g_object_unref(cursor);
            }
        }
        mReplacedCursors.clear();
    }
    // The window's thread may go on to wait without returning to its loop.
    gdk_display_flush(gdk_window_get_display(top));
}

void GtkDialogWindow::PostToWindow(unsigned message, std::uintptr_t, std::intptr_t) {
    // The message table of the window's own messages: the worker's refresh.
    RunOnWindowThread([message](GtkDialogWindow& window) {
        if (message == OrbilaneDlg::kUpdateMessage && window.mDlg != nullptr) {
            window.mDlg->OnUpdateDisplay();
        }
    });
}

void GtkDialogWindow::PostQuitRequest(int exitCode) {
    mExitCode = exitCode;
    if (mLoop != nullptr) {
        g_main_loop_quit(mLoop);
    }
}

void GtkDialogWindow::WaitAnswering(const std::function<bool()>& done) {
    // What another thread waits on from this one is a message box: shown
    // here, so that the worker can end. Nothing else of the loop runs, as
    // the Windows window answers sent messages only.
    while (!done()) {
        if (!gtkmessagebox::AnswerPending()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void* GtkDialogWindow::NativeHandle() {
    return mWindow;
}

IconHandle GtkDialogWindow::LoadIconResource(int id) {
    if (id != IDR_MAINFRAME) {
        return nullptr;
    }
    if (mIconPicture == nullptr) {
        mIconPicture = gdk_pixbuf_new_from_data(kOrbilaneIconRgba, GDK_COLORSPACE_RGB, TRUE, 8, kOrbilaneIconSize,
                                                kOrbilaneIconSize, kOrbilaneIconSize * 4, nullptr, nullptr);
    }
    return mIconPicture;
}

void GtkDialogWindow::SetIcon(IconHandle icon, IconSize size) {
    (size == IconSize::Big ? mBigIcon : mSmallIcon) = static_cast<GdkPixbuf*>(icon);
    if (mWindow == nullptr) {
        return;
    }
    // The window manager picks the size it needs from the list.
    GList* icons = nullptr;
    for (GdkPixbuf* picture : {mBigIcon, mSmallIcon}) {
        if (picture != nullptr && g_list_find(icons, picture) == nullptr) {
            icons = g_list_append(icons, picture);
        }
    }
    gtk_window_set_icon_list(GTK_WINDOW(mWindow), icons);
    g_list_free(icons);
}

bool GtkDialogWindow::PaintMinimisedIcon(IconHandle icon) {
    GdkWindow* top = mWindow != nullptr ? gtk_widget_get_window(mWindow) : nullptr;
    if (top == nullptr || mPaintContext == nullptr || icon == nullptr ||
        (gdk_window_get_state(top) & GDK_WINDOW_STATE_ICONIFIED) == 0) {
        return false;
    }
    // The background, then the icon at the size of the desktop's icons, centred.
    const int width = gtk_widget_get_allocated_width(mWindow);
    const int height = gtk_widget_get_allocated_height(mWindow);
    gtk_render_background(gtk_widget_get_style_context(mWindow), mPaintContext, 0, 0, width, height);
    int iconWidth = 0;
    int iconHeight = 0;
    gtk_icon_size_lookup(GTK_ICON_SIZE_DND, &iconWidth, &iconHeight);
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(static_cast<GdkPixbuf*>(icon), iconWidth, iconHeight, GDK_INTERP_BILINEAR);
    const IconOrigin origin = CentredIconOrigin(width, height, iconWidth, iconHeight);
    gdk_cairo_set_source_pixbuf(mPaintContext, scaled, origin.x, origin.y);
    cairo_paint(mPaintContext);
    g_object_unref(scaled);
    return true;
}

std::string GtkDialogWindow::ApplicationName() {
    return mApplicationName;
}

void GtkDialogWindow::OnCommand(int id) {
    if (mDlg != nullptr) {
        mDlg->OnCommand(id, OrbilaneDlg::kClicked);
    }
}

void GtkDialogWindow::OnCloseRequest() {
    if (mDlg != nullptr) {
        mDlg->OnClose();
    }
}

// The dialog manager's keys. Esc is cancel. Enter clicks the focused button,
// else the default button (Start) while it is enabled; while it is disabled
// Enter does nothing, as in the Windows dialog, where OK comes only from a
// dialog without a default button. Alt+F4 is the close request, also where no
// window manager turns it into one.
bool GtkDialogWindow::OnKeyPress(const GdkEventKey& event) {
    const bool control = HasModifier(event, GDK_CONTROL_MASK);
    const bool alt = HasModifier(event, GDK_MOD1_MASK);
    switch (event.keyval) {
    case GDK_KEY_Escape:
        if (control || alt) {
            return false;
        }
        OnCommand(OrbilaneDlg::kIdCancel);
        return true;
    case GDK_KEY_F4:
        if (!alt) {
            return false;
        }
        OnCloseRequest();
        return true;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        if (control || alt) {
            return false;
        }
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(mWindow));
        if (focus != nullptr && GTK_IS_BUTTON(focus) && gtk_widget_is_sensitive(focus)) {
            gtk_widget_activate(focus);
            return true;
        }
        for (const TemplateControl& c : mTemplate.controls) {
            GtkWidget* widget = Control(c.id);
            if (c.kind == ControlKind::DefPushButton && widget != nullptr && gtk_widget_is_sensitive(widget)) {
                gtk_widget_activate(widget);
            }
        }
        return true;
    }
    default:
        return false;
    }
}

void GtkDialogWindow::OnClicked(GtkButton* button, gpointer self) {
    static_cast<GtkDialogWindow*>(self)->OnCommand(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "orbilane-id")));
}

gboolean GtkDialogWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    // The close box: the close steps, whose quit request ends the window.
    static_cast<GtkDialogWindow*>(self)->OnCloseRequest();
    return TRUE;
}

gboolean GtkDialogWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    return static_cast<GtkDialogWindow*>(self)->OnKeyPress(*event) ? TRUE : FALSE;
}

gboolean GtkDialogWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    auto* window = static_cast<GtkDialogWindow*>(self);
    if (window->mDlg == nullptr) {
        return FALSE;
    }
    window->mPaintContext = cr;
    const bool painted = window->mDlg->OnPaint();
    window->mPaintContext = nullptr;
    return painted ? TRUE : FALSE;
}

void GtkDialogWindow::OnRealize(GtkWidget* widget, gpointer) {
    // A modal frame with a caption and a close box: no minimise or maximise
    // box, no resizing, as far as the window manager honours the hints.
    GdkWindow* window = gtk_widget_get_window(widget);
    gdk_window_set_decorations(window, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
    gdk_window_set_functions(window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
}
