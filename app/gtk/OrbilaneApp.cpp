#include "app/gtk/OrbilaneApp.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "app/OrbilaneDlg.h"
#include "app/gtk/DialogTemplate.h"
#include "app/gtk/GtkDialogWindow.h"
#include "app/gtk/GtkMessageBox.h"
#include "app/gtk/GtkThread.h"

OrbilaneApp theApp;

bool OrbilaneApp::InitInstance() {
    // GTK's start is the counterpart of initialising the common controls.
    // It is given no command line: the program reads none.
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "orbilane: cannot open the display\n");
        return false;
    }
    gtkthread::MarkGtkThread();
    // Like the Windows framework, nothing else: no ActiveX hosting, no
    // settings, no help. The boxes of the window and of titling are GTK's.
    gtkmessagebox::InstallHandler();

    GtkDialogWindow window(gtkdialog::OrbilaneTemplate());
    {
        OrbilaneDlg dlg(window);
        mMainWindow = &dlg;
        window.RunModal(dlg, nullptr);  // the result is of no use: the application ends either way
        mMainWindow = nullptr;
    }  // the dialog's worker has ended before its members go
    return false;
}

int main() {
    theApp.InitInstance();
    return 0;
}
