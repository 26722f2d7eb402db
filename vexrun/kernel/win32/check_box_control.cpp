// The check box (kind 1:12): a BUTTON of the check-box style, checked as its
// record says.
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/button_control.h"
#include "vexrun/kernel/win32/control_window.h"

namespace vexrun::win32 {

Control* createCheckBox(const ControlContext& c, std::string& error) {
    auto s = image::decodeCheckBoxSettings(c.element->extension);
    if (!s) return unreadableSettings("check box", *c.element, error);
    auto* box = new ButtonControl(s->caption, BS_AUTOCHECKBOX, c, s->backgroundColour);
    box->setIntegerProperty(vx::kPropCheckState, s->checked ? 1 : 0);
    return box;
}

}  // namespace vexrun::win32
