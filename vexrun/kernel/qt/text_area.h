// The multi-line edit box's widget: a plain-text box whose document holds its
// text in the document form (document_form.h), whatever way the text comes in
// (set by the program, pasted, dropped as text), and gives it back, also to
// the clipboard, with the text's own line ends. Tab moves the focus on.
#pragma once

#include <QPlainTextEdit>

#include "vexrun/kernel/qt/document_form.h"

namespace vexrun {

class TextArea : public QPlainTextEdit {
public:
    explicit TextArea(QWidget* parent);

    // Replaces the whole text (not a user's edit).
    void setWholeText(const QString& text);
    // The whole text, with the line ends it came with; after a user's edit
    // every line ends with CR LF.
    QString wholeText() const;
    // Inserts a text at the cursor, in place of the selection, as a paste.
    void insertAtCursor(const QString& text);
    // True while setWholeText changes the document.
    bool settingWholeText() const { return settingText_; }

protected:
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    OtherLineEnds otherEnds_;  // of the text as set; emptied by an edit
    bool settingText_ = false;
};

}  // namespace vexrun
