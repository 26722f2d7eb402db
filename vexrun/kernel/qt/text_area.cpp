#include "vexrun/kernel/qt/text_area.h"

#include <memory>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

#include "vexrun/kernel/core/dropped_files.h"

namespace vexrun {

TextArea::TextArea(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int removed, int added) {
        if (settingText_) return;
        hint_ = false;
        otherEnds_.edited(position, removed, added);
    });
}

void TextArea::setWholeText(const QString& text, bool hint) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    DocumentForm form = documentForm(text, text::usualLineEnd(units));
    settingText_ = true;
    setPlainText(form.text);
    markContinuedParagraphs(document(), 0, form.continuedParagraphs);
    settingText_ = false;
    otherEnds_ = std::move(form.otherEnds);
    hint_ = hint;
}

QString TextArea::wholeText() const {
    return textOfDocumentRange(document(), 0, document()->characterCount() - 1, otherEnds_);
}

// A paste (or a text dropped) goes into the document in its document form in
// one step, as a set text does, instead of paragraph by paragraph.
void TextArea::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !isReadOnly()) insertAtCursor(source->text());
}

void TextArea::insertAtCursor(const QString& text) {
    selectHintForReplacing();
    QTextCursor cursor = textCursor();
    const bool whole = cursor.selectionStart() == 0 && cursor.selectionEnd() >= document()->characterCount() - 1;
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    const LineEnd usual = whole ? text::usualLineEnd(units) : otherEnds_.usual;
    const DocumentForm form = documentForm(text, usual);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int firstBlock = cursor.blockNumber();
    cursor.insertText(form.text);
    markContinuedParagraphs(document(), firstBlock, form.continuedParagraphs);
    cursor.endEditBlock();
    // The whole text pasted keeps its own line ends; the breaks of a piece
    // pasted into a text, left unnoted, take the text's usual kind.
    if (whole) {
        otherEnds_ = form.otherEnds;
        boxTextReplaced(this);
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TextArea::selectHintForReplacing() {
    if (!hint_) return;
    selectAll();
}

void TextArea::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool typing = !typed.isEmpty() && typed.at(0).isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool newLine = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (typing || newLine) selectHintForReplacing();
    QPlainTextEdit::keyPressEvent(event);
}

void TextArea::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) selectHintForReplacing();
    QPlainTextEdit::inputMethodEvent(event);
}

void TextArea::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    if (saveOffered_ && saveOffered_()) {
        menu->addSeparator();
        QAction* save = menu->addAction(QStringLiteral("另存为…"));
        save->setShortcut(QKeySequence::Save);
        connect(save, &QAction::triggered, this, [this] { save_(); });
    }
    menu->exec(event->globalPos());
}

QMimeData* TextArea::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(textOfDocumentRange(document(), cursor.selectionStart(), cursor.selectionEnd(), otherEnds_));
    return data;
}

}  // namespace vexrun
