#include "vexrun/kernel/qt/message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace vexrun {
namespace {

struct ButtonValue {
    QMessageBox::StandardButton button;
    int32_t value;
};

constexpr int32_t kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;

// Button sets by the low four bits of the argument, first button first.
struct ButtonSet {
    ButtonValue buttons[3];
    int count;
};
const ButtonSet kButtonSets[] = {
    {{{QMessageBox::Ok, kOk}}, 1},
    {{{QMessageBox::Ok, kOk}, {QMessageBox::Cancel, kCancel}}, 2},
    {{{QMessageBox::Abort, kAbort}, {QMessageBox::Retry, kRetry}, {QMessageBox::Ignore, kIgnore}}, 3},
    {{{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}, {QMessageBox::Cancel, kCancel}}, 3},
    {{{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}}, 2},
    {{{QMessageBox::Retry, kRetry}, {QMessageBox::Cancel, kCancel}}, 2},
};

const ButtonSet& buttonSet(int32_t buttons) {
    const uint32_t i = uint32_t(buttons) & 0xFu;
    return i < std::size(kButtonSets) ? kButtonSets[i] : kButtonSets[0];
}

QMessageBox::Icon iconFor(int32_t buttons) {
    switch ((uint32_t(buttons) >> 4) & 0xFu) {
        case 1: return QMessageBox::Critical;
        case 2: return QMessageBox::Question;
        case 3: return QMessageBox::Warning;
        case 4: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int32_t firstButtonValue(int32_t buttons) { return buttonSet(buttons).buttons[0].value; }

int32_t showMessageBox(QWidget* parent, const QString& caption, const QString& text, int32_t buttons) {
    const ButtonSet& set = buttonSet(buttons);
    QMessageBox box(iconFor(buttons), caption, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    for (int i = 0; i < set.count; ++i) box.addButton(set.buttons[i].button);
    box.setDefaultButton(set.buttons[0].button);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (int i = 0; i < set.count; ++i) {
        if (set.buttons[i].button == pressed) return set.buttons[i].value;
    }
    // Closed without a button: the box's cancel value, else its first button.
    for (int i = 0; i < set.count; ++i) {
        if (set.buttons[i].value == kCancel) return kCancel;
    }
    return set.buttons[0].value;
}

}  // namespace vexrun
