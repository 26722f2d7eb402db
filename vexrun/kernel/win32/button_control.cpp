#include "vexrun/kernel/win32/button_control.h"

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/text/text_encoding.h"
#include "vexrun/kernel/win32/builtin_controls.h"
#include "vexrun/kernel/win32/control_window.h"
#include "vexrun/kernel/win32/win32_text.h"

namespace vexrun::win32 {

ButtonControl::ButtonControl(const std::string& caption, DWORD style, const ControlContext& context,
                             uint32_t background)
    : host_(context.host), windowId_(context.windowId), id_(context.element->id), caption_(caption) {
    window_ = createChild(L"BUTTON", style, 0, context);
    SetWindowTextW(window_, wide(text::decode(caption_, text::Encoding::Gbk)));
    colours_.hasBackground = colourFromRecord(background, colours_.background);
}

PropertyType ButtonControl::propertyType(uint32_t property) const {
    return checkBox() && property == vx::kPropCheckState ? PropertyType::Integer : PropertyType::Unknown;
}

int32_t ButtonControl::integerProperty(uint32_t) const {
    return SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void ButtonControl::setIntegerProperty(uint32_t, int32_t value) {
    SendMessageW(window_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ButtonControl::command(int code) {
    if (code == BN_CLICKED) host_->raiseEvent(windowId_, id_, vx::kEventClicked, EventArgs::none());
}

bool ButtonControl::checkBox() const {
    return (GetWindowLongPtrW(window_, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

Control* createButton(const ControlContext& c, std::string& error) {
    auto s = image::decodeButtonSettings(c.element->extension);
    if (!s) return unreadableSettings("button", *c.element, error);
    return new ButtonControl(s->caption, BS_PUSHBUTTON, c, 0xFF000000u);
}

}  // namespace vexrun::win32
