// What every built-in control's window has on Win32: a child window of the
// main window at its element's place with the control font, the element's
// name for messages, Ctrl+A in its EDITs, and the message for settings it
// cannot read.
#pragma once

#include <windows.h>

#include <string>

#include "image/window_record.h"
#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

// Ends the program through the host when the window cannot be made.
HWND createChild(const wchar_t* className, DWORD style, DWORD exStyle, const ControlContext& context);

// The element's name in UTF-8 (the record stores it in GBK).
std::string elementName(const image::Element& e);

// Ctrl+A selects the whole text of an EDIT, as it does in every text box of
// the Qt layer; the system's classic EDIT ignores it.
void selectAllOnCtrlA(HWND edit);

// nullptr, and in `error` that the settings of the `kind` element cannot be read.
Control* unreadableSettings(const char* kind, const image::Element& e, std::string& error);

// A control that is its window alone: no properties.
class PlainControl : public Control {
public:
    explicit PlainControl(HWND window) : window_(window) {}
    HWND window() const override { return window_; }
    PropertyType propertyType(uint32_t) const override { return PropertyType::Unknown; }

protected:
    HWND window_;
};

}  // namespace vexrun::win32
