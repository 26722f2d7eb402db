// Key codes as the program sees them: Windows-style virtual key codes (Enter
// is 13), translated from and to Qt's keys.
#pragma once

#include <stdint.h>

#include <optional>

#include <Qt>

class QKeyEvent;

namespace vexrun {

constexpr int32_t kVkReturn = 13;

// The virtual key code of a key press (0 for a key without one).
int32_t windowsKeyCode(const QKeyEvent& event);
int32_t windowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The Qt key that gives this virtual key code, with the keypad modifier
// when it is a keypad key; nullopt for a code no key gives.
struct QtKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
std::optional<QtKey> qtKeyForWindowsCode(int32_t code);

// The shift state handed along with mouse and key events: 1 Ctrl, 2 Shift,
// 4 Alt.
int32_t shiftState(Qt::KeyboardModifiers modifiers);

}  // namespace vexrun
