// The masked edit box (kind 2:9): a line edit whose every change goes through
// its edit mask. The widget shows the mask's display text; a handler reads and
// writes the text of property 18.
#pragma once

#include <memory>
#include <string>

#include <QLineEdit>

#include "vexrun/kernel/qt/windowing.h"
#include "vexrun/plintor/edit_mask.h"

namespace plintor {

class MaskedEditWidget : public QLineEdit {
public:
    MaskedEditWidget(EditMask mask, QWidget* parent);

    const MaskedText& model() const { return text_; }
    // Replaces the whole text (a handler's set, a paste).
    void setMaskedText(std::string_view bytes);
    // Narrows the letter spacing just enough for the full display text to
    // show inside the box (the box widths of the layout are tight).
    void fitFontToWidth();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void typeText(const QString& text);
    void refresh(size_t cursor);
    void blankSelection(size_t& cursor);

    MaskedText text_;
};

class MaskedEditControl : public vexrun::Control {
public:
    static vexrun::Control* create(const vexrun::ControlContext& context, std::string& error);

    QWidget* widget() const override { return widget_; }
    vexrun::PropertyType propertyType(uint32_t property) const override;
    std::string textProperty(uint32_t property) const override;
    void setTextProperty(uint32_t property, std::string_view bytes) override;
    std::string contentBytes() const override { return widget_->model().read(); }
    QString contentText() const override { return QString::fromLatin1(contentBytes()); }
    bool pasteText(const QString& text) override;

private:
    explicit MaskedEditControl(MaskedEditWidget* widget) : widget_(widget) {}
    MaskedEditWidget* widget_;  // owned by the window
};

}  // namespace plintor
