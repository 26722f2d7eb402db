// The label (kind 1:10): a caption in its text colour. A label stored as
// disabled is drawn in its colours all the same.
#include <QLabel>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

class LabelControl : public Control {
public:
    LabelControl(const image::LabelSettings& s, QWidget* parent) : label_(new QLabel(parent)) {
        label_->setTextFormat(Qt::PlainText);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label_->setFont(controlFont());
        label_->setFocusPolicy(Qt::NoFocus);
        QPalette pal = label_->palette();
        setRoleInAllGroups(pal, QPalette::WindowText, colourFromRecord(s.textColour, pal));
        const QColor background = colourFromRecord(s.backgroundColour, pal);
        if (background.isValid()) {
            setRoleInAllGroups(pal, QPalette::Window, background);
            label_->setAutoFillBackground(true);
        }
        label_->setPalette(pal);
        setCaption(s.caption, TextEncoding::Gbk);
    }

    QWidget* widget() const override { return label_; }

    PropertyType propertyType(uint32_t property) const override {
        switch (property) {
            case vx::kPropLabelVisible: return PropertyType::Integer;
            case vx::kPropLabelCaption: return PropertyType::Text;
            default: return PropertyType::Unknown;
        }
    }
    int32_t integerProperty(uint32_t) const override { return label_->isHidden() ? 0 : 1; }
    void setIntegerProperty(uint32_t, int32_t value) override { label_->setVisible(value != 0); }
    std::string textProperty(uint32_t) const override { return caption_; }
    void setTextProperty(uint32_t, std::string_view bytes) override { setCaption(bytes, detectEncoding(bytes)); }
    std::string contentBytes() const override { return caption_; }
    QString contentText() const override { return decodeText(caption_, encoding_); }

private:
    void setCaption(std::string_view bytes, TextEncoding encoding) {
        caption_.assign(bytes);
        encoding_ = encoding;
        label_->setText(toDisplayLines(decodeText(caption_, encoding_)));
    }

    QLabel* label_;
    std::string caption_;
    TextEncoding encoding_ = TextEncoding::Gbk;
};

}  // namespace

Control* createLabel(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeLabelSettings(e.extension);
    if (!s) {
        error = "the settings of label \"" + decodeImageText(e.name).toStdString() + "\" cannot be read";
        return nullptr;
    }
    return new LabelControl(*s, context.parent);
}

}  // namespace vexrun
