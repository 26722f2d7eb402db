// The multi-line edit box's widget: a plain-text box whose document holds its
// text in the document form (document_form.h), whatever way the text comes in
// (set by the program, pasted, dropped as text), and gives it back, also to
// the clipboard, with the text's own line ends: each line end stays as it
// came through the user's edits, and a line the user adds ends as the text's
// first line does. A text set as the box's hint is replaced whole by the
// first paste or typed text; a paste over the whole text tells the kernel
// library that the text is no longer a dropped file's. Tab moves the focus on.
#pragma once

#include <functional>

#include <QPlainTextEdit>

#include "vexrun/kernel/qt/document_form.h"

namespace vexrun {

class TextArea : public QPlainTextEdit {
public:
    explicit TextArea(QWidget* parent);

    // Replaces the whole text (not a user's edit); `hint`: the text is a hint,
    // which the user's first paste or typing replaces.
    void setWholeText(const QString& text, bool hint = false);
    // The whole text, with its line ends.
    QString wholeText() const;
    // Inserts a text at the cursor, in place of the selection, as a paste. A
    // paste that replaces the whole text keeps its own line ends; one into a
    // text takes that text's kind.
    void insertAtCursor(const QString& text);
    // True while setWholeText changes the document.
    bool settingWholeText() const { return settingText_; }
    // True while the box holds the hint it was given.
    bool showsHint() const { return hint_; }
    // "Save as" in the box's menu while `offered` says so.
    void setSaveAction(std::function<bool()> offered, std::function<void()> save) {
        saveOffered_ = std::move(offered);
        save_ = std::move(save);
    }

protected:
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void selectHintForReplacing();

    OtherLineEnds otherEnds_;  // kept through edits
    bool settingText_ = false;
    bool hint_ = false;
    std::function<bool()> saveOffered_;
    std::function<void()> save_;
};

}  // namespace vexrun
