// The kernel command "message box": the button sets and icons of its button
// argument (Windows style: the low four bits pick the buttons, the next four
// the icon) and the value of the button pressed.
#pragma once

#include <stdint.h>

#include <QString>

class QWidget;

namespace vexrun {

// Shows the box and waits for a button; gives that button's value.
int32_t showMessageBox(QWidget* parent, const QString& caption, const QString& text, int32_t buttons);
// The value of the button a box of this kind gives when nobody is there to
// press one (its first button: OK for buttons 0).
int32_t firstButtonValue(int32_t buttons);

}  // namespace vexrun
