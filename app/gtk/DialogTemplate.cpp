#include "app/gtk/DialogTemplate.h"

#include "app/Resource.h"

namespace gtkdialog {
namespace {

constexpr TemplateControl kControls[] = {
    {ControlKind::StaticText, IDC_STATIC, "TimeStamp:", 5, 13, 38, 8, false},
    {ControlKind::DefPushButton, IDC_START, "Start", 142, 11, 52, 12, false},
    {ControlKind::PushButton, IDC_STOP, "Stop", 142, 27, 52, 12, true},
    {ControlKind::StaticText, IDC_STATIC, "Com/Serial Port Number", 5, 29, 77, 8, false},
    {ControlKind::EditField, IDC_COMPORT, "", 83, 27, 28, 12, false},
    {ControlKind::GroupBox, IDC_STATIC, "Horita SCT-50 ", 2, 0, 197, 44, false},
    {ControlKind::GroupBox, IDC_STATIC, "Program Usage", 2, 44, 197, 47, false},
    {ControlKind::StaticText, IDC_STATIC,
     "Begin by starting up the Tamberlow Quorvex Data Aquisition Software.  Begin Aquisition on the software "
     "and then start and stop timestamp titling by clicking on the start and stop buttons above.",
     8, 56, 185, 34, false},
    {ControlKind::StaticText, IDC_TIMESTAMP, "Static", 45, 13, 92, 8, false},
};

constexpr DialogTemplate kTemplate{"Tamberlow Orbilane v1.10", 8, 202, 95, kControls};

}  // namespace

const DialogTemplate& OrbilaneTemplate() {
    return kTemplate;
}

}  // namespace gtkdialog
