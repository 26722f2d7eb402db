// The button (kind 1:11): a push button whose click raises its event 0.
#include <QPushButton>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

class ButtonControl : public Control {
public:
    ButtonControl(const image::ButtonSettings& s, const ControlContext& context)
        : button_(new QPushButton(context.parent)), caption_(s.caption) {
        button_->setFont(controlFont());
        button_->setAutoDefault(false);
        button_->setText(decodeImageText(caption_));
        ControlHost* host = context.host;
        const uint32_t windowId = context.windowId;
        const uint32_t id = context.element->id;
        QObject::connect(button_, &QPushButton::clicked, button_, [host, windowId, id] {
            host->raiseEvent(windowId, id, vx::kEventClicked, EventArgs::none());
        });
    }

    QWidget* widget() const override { return button_; }
    PropertyType propertyType(uint32_t) const override { return PropertyType::Unknown; }
    std::string contentBytes() const override { return caption_; }
    QString contentText() const override { return button_->text(); }

private:
    QPushButton* button_;
    std::string caption_;
};

}  // namespace

Control* createButton(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeButtonSettings(e.extension);
    if (!s) {
        error = "the settings of button \"" + decodeImageText(e.name).toStdString() + "\" cannot be read";
        return nullptr;
    }
    return new ButtonControl(*s, context);
}

}  // namespace vexrun
