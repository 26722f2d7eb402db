// The edit box (kind 1:5): one line (QLineEdit) or several (QPlainTextEdit).
// It keeps the exact bytes it was given until the user edits it; a user's
// edit is encoded back in the encoding those bytes came in, with the text's
// own line ends in a multi-line box. A multi-line box's initial text from the
// window record is a hint: the user's first paste or typed text replaces it.
// A multi-line box dropped texts are not read into offers "save as" (its menu,
// Ctrl+S: text_saving.h).
#include <QLineEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/text_saving.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_area.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

class EditBoxControl : public Control {
public:
    EditBoxControl(const image::EditBoxSettings& s, QWidget* parent, ControlHost* host) : host_(host) {
        if (s.multiLine) {
            auto* edit = new TextArea(parent);
            edit->setSaveAction([this] { return offersSave(); }, [this] { saveAs(); });
            edit->setHorizontalScrollBarPolicy((s.scrollBars & 1u) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy((s.scrollBars & 2u) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            // Without a horizontal scroll bar long lines wrap at the box's edge.
            edit->setLineWrapMode((s.scrollBars & 1u) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
            QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this] {
                if (!plain_->settingWholeText()) edited_ = true;
            });
            plain_ = edit;
            widget_ = edit;
        } else {
            auto* edit = new QLineEdit(parent);
            edit->setMaxLength(32767 * 1024);
            QObject::connect(edit, &QLineEdit::textEdited, edit, [this] { edited_ = true; });
            line_ = edit;
            widget_ = edit;
        }
        widget_->setFont(controlFont());
        QPalette pal = widget_->palette();
        setRoleInAllGroups(pal, QPalette::Base, colourFromRecord(s.backgroundColour, pal));
        widget_->setPalette(pal);
        setText(s.text, TextEncoding::Gbk, /*hint=*/true);
    }

    QWidget* widget() const override { return widget_; }

    PropertyType propertyType(uint32_t property) const override {
        switch (property) {
            case vx::kPropEditDisabled: return PropertyType::Integer;
            case vx::kPropEditText: return PropertyType::Text;
            default: return PropertyType::Unknown;
        }
    }
    int32_t integerProperty(uint32_t) const override { return widget_->isEnabledTo(widget_->window()) ? 0 : 1; }
    void setIntegerProperty(uint32_t, int32_t value) override { widget_->setEnabled(value == 0); }
    std::string textProperty(uint32_t) const override { return bytes(); }
    void setTextProperty(uint32_t, std::string_view bytes) override { setText(bytes, detectEncoding(bytes)); }
    std::string contentBytes() const override { return bytes(); }
    QString contentText() const override { return decodeText(bytes(), encoding_); }

    bool saveAs() override {
        if (!offersSave()) return false;
        const std::string path = host_->askSavePath(proposedSavePathNow());
        if (path.empty()) return true;
        if (std::optional<std::string> problem = saveBoxText(path, bytes())) host_->showMessage(*problem);
        return true;
    }

    bool pasteText(const QString& text) override {
        if (line_) {
            line_->selectAll();
            line_->insert(text);
        } else {
            plain_->selectAll();
            plain_->insertAtCursor(text);
        }
        edited_ = true;
        return true;
    }

private:
    // A multi-line box dropped texts are not read into: the output box.
    bool offersSave() const { return plain_ && host_ && !host_->isInputBox(widget_); }

    void setText(std::string_view bytes, TextEncoding encoding, bool hint = false) {
        bytes_.assign(bytes);
        encoding_ = encoding;
        const QString shown = decodeText(bytes_, encoding_);
        if (line_) {
            line_->setText(shown);
            line_->setCursorPosition(0);
        } else {
            plain_->setWholeText(shown, hint && !bytes_.empty());
        }
        edited_ = false;
    }

    // The bytes of the text: as given, or the user's edit encoded back.
    std::string bytes() const {
        if (edited_) {
            const QString now = line_ ? line_->text() : plain_->wholeText();
            bytes_ = encodeText(now, encoding_);
            edited_ = false;
        }
        return bytes_;
    }

    ControlHost* host_;
    QWidget* widget_ = nullptr;
    QLineEdit* line_ = nullptr;
    TextArea* plain_ = nullptr;
    mutable std::string bytes_;
    mutable bool edited_ = false;
    TextEncoding encoding_ = TextEncoding::Gbk;
};

}  // namespace

Control* createEditBox(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeEditBoxSettings(e.extension);
    if (!s) {
        error = "the settings of edit box \"" + decodeImageText(e.name).toStdString() + "\" cannot be read";
        return nullptr;
    }
    return new EditBoxControl(*s, context.parent, context.host);
}

}  // namespace vexrun
