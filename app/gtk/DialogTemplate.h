#pragma once
// Dialog template 102, the main window, as data for the GTK back end: the
// same controls, texts, order and dialog-unit geometry as the resource script
// app/win32/Orbilane.rc, from which the Windows dialog manager builds it.
#include <span>

namespace gtkdialog {

enum class ControlKind { StaticText, PushButton, DefPushButton, EditField, GroupBox };

struct TemplateControl {
    ControlKind kind;
    int id;  // IDC_STATIC (-1) for the controls the code never names
    const char* text;
    int x, y, width, height;  // dialog units
    bool disabled;
};

struct DialogTemplate {
    const char* caption;
    int fontPoints;
    int width, height;  // the client area, dialog units
    std::span<const TemplateControl> controls;  // template order, which is the tab order
};

const DialogTemplate& OrbilaneTemplate();

}  // namespace gtkdialog
