#include "vexrun/plintor/masked_edit_box.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>

#include "image/gbk_text.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/record_fonts.h"

namespace plintor {

namespace {
QString shown(const std::string& bytes) { return QString::fromLatin1(bytes.data(), qsizetype(bytes.size())); }
}  // namespace

MaskedEditWidget::MaskedEditWidget(EditMask mask, QWidget* parent)
    : QLineEdit(parent), text_(std::move(mask)) {
    setContextMenuPolicy(Qt::NoContextMenu);  // no undo, paste or delete behind the mask's back
    setAcceptDrops(false);
    setDragEnabled(false);
    refresh(0);
}

void MaskedEditWidget::setMaskedText(std::string_view bytes) {
    text_.set(bytes);
    refresh(0);
}

void MaskedEditWidget::fitFontToWidth() {
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, this);
    // The line edit's own margin and the cursor's width, as Qt draws them.
    const int available = width() - 2 * frame - 2 * 2 - 1;
    const QString full = shown(text_.display());
    QFont f = font();
    for (int percent = 100; percent >= 85; --percent) {
        f.setLetterSpacing(QFont::PercentageSpacing, percent);
        if (QFontMetrics(f).horizontalAdvance(full) <= available) break;
    }
    setFont(f);
}

void MaskedEditWidget::refresh(size_t cursor) {
    setText(shown(text_.display()));
    setCursorPosition(int(cursor));
}

void MaskedEditWidget::blankSelection(size_t& cursor) {
    if (!hasSelectedText()) return;
    size_t from = size_t(selectionStart());
    text_.blank(from, from + size_t(selectedText().size()));
    cursor = from;
}

void MaskedEditWidget::typeText(const QString& text) {
    size_t cursor = size_t(cursorPosition());
    blankSelection(cursor);
    for (QChar ch : text) {
        if (ch.unicode() > 0x7F) continue;  // no position takes it
        if (auto next = text_.type(cursor, char(ch.unicode()))) cursor = *next;
    }
    refresh(cursor);
}

void MaskedEditWidget::keyPressEvent(QKeyEvent* event) {
    size_t cursor = size_t(cursorPosition());
    if (event == QKeySequence::Paste) {
        const QString clip = QGuiApplication::clipboard()->text();
        setMaskedText(clip.toUtf8().toStdString());
        return;
    }
    if (event == QKeySequence::Copy || event == QKeySequence::SelectAll) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event == QKeySequence::Cut) {
        copy();
        blankSelection(cursor);
        refresh(cursor);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Backspace:
            if (hasSelectedText()) {
                blankSelection(cursor);
            } else {
                cursor = text_.backspace(cursor);
            }
            refresh(cursor);
            return;
        case Qt::Key_Delete:
            if (hasSelectedText()) {
                blankSelection(cursor);
            } else {
                cursor = text_.removeNext(cursor);
            }
            refresh(cursor);
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            QLineEdit::keyPressEvent(event);  // moving the cursor changes no text
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore();
            return;
        default:
            break;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        typed.at(0).isPrint()) {
        typeText(typed);
        return;
    }
    event->ignore();
}

void MaskedEditWidget::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) typeText(event->commitString());
    event->accept();
}

vexrun::Control* MaskedEditControl::create(const vexrun::ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto settings = image::decodeMaskedEditSettings(e.extension);
    // The record's names are GBK; messages are UTF-8.
    const std::string name = image::gbkForDisplay(e.name);
    if (!settings) {
        error = "the settings of masked edit box \"" + name + "\" cannot be read";
        return nullptr;
    }
    auto mask = EditMask::parse(settings->mask, error);
    if (!mask) {
        error = "masked edit box \"" + name + "\": " + error;
        return nullptr;
    }
    auto* w = new MaskedEditWidget(std::move(*mask), context.parent);
    w->setGeometry(e.left, e.top, e.width, e.height);
    QPalette pal = w->palette();
    vexrun::setRoleInAllGroups(pal, QPalette::Base, vexrun::colourFromRecord(settings->backgroundColour, pal));
    vexrun::setRoleInAllGroups(pal, QPalette::Text, vexrun::colourFromRecord(settings->textColour, pal));
    w->setPalette(pal);
    w->setFont(vexrun::fontFromRecord(settings->font));
    w->setMaskedText(settings->initialText);
    w->fitFontToWidth();
    return new MaskedEditControl(w);
}

vexrun::PropertyType MaskedEditControl::propertyType(uint32_t property) const {
    return property == vx::kPropMaskedText ? vexrun::PropertyType::Text : vexrun::PropertyType::Unknown;
}

std::string MaskedEditControl::textProperty(uint32_t) const { return widget_->model().read(); }

void MaskedEditControl::setTextProperty(uint32_t, std::string_view bytes) { widget_->setMaskedText(bytes); }

bool MaskedEditControl::pasteText(const QString& text) {
    widget_->setMaskedText(text.toUtf8().toStdString());
    return true;
}

}  // namespace plintor
