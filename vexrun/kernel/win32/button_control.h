// The button (kind 1:11) and the check box (1:12): a BUTTON window whose
// click raises event 0; a check box also has its check state.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>

#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

class ButtonControl : public Control {
public:
    // `style` BS_PUSHBUTTON or BS_AUTOCHECKBOX; `background` a record colour.
    ButtonControl(const std::string& caption, DWORD style, const ControlContext& context, uint32_t background);

    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t property) const override;
    int32_t integerProperty(uint32_t property) const override;
    void setIntegerProperty(uint32_t property, int32_t value) override;
    std::string contentBytes() const override { return caption_; }
    ControlColours colours() const override { return colours_; }
    void command(int code) override;

private:
    bool checkBox() const;

    ControlHost* host_;
    uint32_t windowId_, id_;
    HWND window_ = nullptr;
    std::string caption_;
    ControlColours colours_;
};

}  // namespace vexrun::win32
