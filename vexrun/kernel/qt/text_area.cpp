#include "vexrun/kernel/qt/text_area.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

namespace vexrun {

TextArea::TextArea(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingText_) otherEnds_ = {};
    });
}

void TextArea::setWholeText(const QString& text) {
    DocumentForm form = documentForm(text);
    settingText_ = true;
    setPlainText(form.text);
    markContinuedParagraphs(document(), 0, form.continuedParagraphs);
    settingText_ = false;
    otherEnds_ = std::move(form.otherEnds);
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
    const DocumentForm form = documentForm(text);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int firstBlock = cursor.blockNumber();
    cursor.insertText(form.text);
    markContinuedParagraphs(document(), firstBlock, form.continuedParagraphs);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData* TextArea::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(textOfDocumentRange(document(), cursor.selectionStart(), cursor.selectionEnd(), otherEnds_));
    return data;
}

}  // namespace vexrun
