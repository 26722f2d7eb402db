// The check box (kind 1:12): a click toggles it and then raises its event 0;
// property 18 is its checked state (setting it raises nothing).
#include <QCheckBox>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

class CheckBoxControl : public Control {
public:
    CheckBoxControl(const image::CheckBoxSettings& s, const ControlContext& context)
        : box_(new QCheckBox(context.parent)), caption_(s.caption) {
        box_->setFont(controlFont());
        box_->setText(decodeImageText(caption_));
        box_->setChecked(s.checked);
        QPalette pal = box_->palette();
        const QColor background = colourFromRecord(s.backgroundColour, pal);
        if (background.isValid()) {
            setRoleInAllGroups(pal, QPalette::Window, background);
            box_->setAutoFillBackground(true);
            box_->setPalette(pal);
        }
        ControlHost* host = context.host;
        const uint32_t windowId = context.windowId;
        const uint32_t id = context.element->id;
        QObject::connect(box_, &QCheckBox::clicked, box_, [host, windowId, id] {
            host->raiseEvent(windowId, id, vx::kEventClicked, EventArgs::none());
        });
    }

    QWidget* widget() const override { return box_; }
    PropertyType propertyType(uint32_t property) const override {
        return property == vx::kPropCheckState ? PropertyType::Integer : PropertyType::Unknown;
    }
    int32_t integerProperty(uint32_t) const override { return box_->isChecked() ? 1 : 0; }
    void setIntegerProperty(uint32_t, int32_t value) override { box_->setChecked(value != 0); }
    std::string contentBytes() const override { return caption_; }
    QString contentText() const override { return box_->text(); }
    int checkState() const override { return box_->isChecked() ? 1 : 0; }

private:
    QCheckBox* box_;
    std::string caption_;
};

}  // namespace

Control* createCheckBox(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeCheckBoxSettings(e.extension);
    if (!s) {
        error = "the settings of check box \"" + decodeImageText(e.name).toStdString() + "\" cannot be read";
        return nullptr;
    }
    return new CheckBoxControl(*s, context);
}

}  // namespace vexrun
