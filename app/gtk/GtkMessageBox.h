#pragma once
// The program's message boxes as modal GTK message dialogs: the caption as
// title, the icon as the dialog's kind, one OK button, the owner window (when
// given) made their parent. A box asked for on another thread, the worker's,
// is shown by the GTK thread while the asking thread waits for the answer.
#include "platform/MessageBox.h"

namespace gtkmessagebox {

// Installs the GTK boxes as the program's message-box handler; on the GTK thread.
void InstallHandler();

// Shows the boxes that other threads are waiting on, if any; on the GTK
// thread. True when it showed one.
bool AnswerPending();

// Shows one box and returns the answer (platform::kIdOk); on the GTK thread.
int ShowOnGtkThread(const platform::MessageBoxRequest& request);

}  // namespace gtkmessagebox
