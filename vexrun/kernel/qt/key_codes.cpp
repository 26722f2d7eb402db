#include "vexrun/kernel/qt/key_codes.h"

#include <QKeyEvent>

namespace vexrun {
namespace {

struct KeyPair {
    Qt::Key key;
    int32_t code;
};

// Keys that are not letters, digits or function keys. Where two Qt keys give
// one code, the first is the one a code maps back to.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},       {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},   {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14},  {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},      {Qt::Key_Meta, 0x5B},      {Qt::Key_Menu, 0x5D},
    {Qt::Key_NumLock, 0x90},   {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA},     {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},      {Qt::Key_Comma, 0xBC},     {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},     {Qt::Key_Underscore, 0xBD}, {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},   {Qt::Key_Slash, 0xBF},     {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB}, {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
};

// Keypad keys other than the digits.
constexpr KeyPair kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Slash, 0x6F}, {Qt::Key_Enter, 0x0D},
};

// Shifted digits on a US keyboard give the digit's code.
constexpr KeyPair kShiftedDigits[] = {
    {Qt::Key_ParenRight, 0x30}, {Qt::Key_Exclam, 0x31}, {Qt::Key_At, 0x32},         {Qt::Key_NumberSign, 0x33},
    {Qt::Key_Dollar, 0x34},     {Qt::Key_Percent, 0x35}, {Qt::Key_AsciiCircum, 0x36}, {Qt::Key_Ampersand, 0x37},
    {Qt::Key_Asterisk, 0x38},   {Qt::Key_ParenLeft, 0x39},
};

constexpr int32_t kVkKeypad0 = 0x60;
constexpr int32_t kVkF1 = 0x70;
constexpr int kFunctionKeys = 24;

}  // namespace

int32_t windowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return (keypad ? kVkKeypad0 : 0x30) + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 0x41 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys) return kVkF1 + (qtKey - Qt::Key_F1);
    if (keypad) {
        for (const KeyPair& k : kKeypadKeys) {
            if (k.key == qtKey) return k.code;
        }
    }
    for (const KeyPair& k : kKeys) {
        if (k.key == qtKey) return k.code;
    }
    for (const KeyPair& k : kShiftedDigits) {
        if (k.key == qtKey) return k.code;
    }
    return 0;
}

int32_t windowsKeyCode(const QKeyEvent& event) { return windowsKeyCode(event.key(), event.modifiers()); }

std::optional<QtKey> qtKeyForWindowsCode(int32_t code) {
    if (code >= 0x30 && code <= 0x39) return QtKey{Qt::Key(Qt::Key_0 + (code - 0x30)), Qt::NoModifier};
    if (code >= 0x41 && code <= 0x5A) return QtKey{Qt::Key(Qt::Key_A + (code - 0x41)), Qt::NoModifier};
    if (code >= kVkKeypad0 && code <= kVkKeypad0 + 9) {
        return QtKey{Qt::Key(Qt::Key_0 + (code - kVkKeypad0)), Qt::KeypadModifier};
    }
    if (code >= kVkF1 && code < kVkF1 + kFunctionKeys) return QtKey{Qt::Key(Qt::Key_F1 + (code - kVkF1)), Qt::NoModifier};
    for (const KeyPair& k : kKeys) {
        if (k.code == code) return QtKey{k.key, Qt::NoModifier};
    }
    for (const KeyPair& k : kKeypadKeys) {
        if (k.code == code) return QtKey{k.key, Qt::KeypadModifier};
    }
    return std::nullopt;
}

int32_t shiftState(Qt::KeyboardModifiers modifiers) {
    int32_t s = 0;
    if (modifiers & Qt::ControlModifier) s |= 1;
    if (modifiers & Qt::ShiftModifier) s |= 2;
    if (modifiers & Qt::AltModifier) s |= 4;
    return s;
}

}  // namespace vexrun
