// The shape box (kind 1:7): a straight line in its line colour, horizontal
// (shape 6) or vertical (shape 7) through the middle of its box.
#include <QPainter>
#include <QWidget>

#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/record_colours.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

constexpr uint32_t kHorizontalLine = 6;
constexpr uint32_t kVerticalLine = 7;

class LineWidget : public QWidget {
public:
    LineWidget(uint32_t shape, QColor colour, QWidget* parent) : QWidget(parent), shape_(shape), colour_(colour) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (shape_ == kVerticalLine) {
            p.fillRect(width() / 2, 0, 1, height(), colour_);
        } else {
            p.fillRect(0, height() / 2, width(), 1, colour_);
        }
    }

private:
    uint32_t shape_;
    QColor colour_;
};

class ShapeBoxControl : public Control {
public:
    explicit ShapeBoxControl(LineWidget* w) : widget_(w) {}
    QWidget* widget() const override { return widget_; }
    PropertyType propertyType(uint32_t) const override { return PropertyType::Unknown; }

private:
    LineWidget* widget_;
};

}  // namespace

Control* createShapeBox(const ControlContext& context, std::string& error) {
    const image::Element& e = *context.element;
    auto s = image::decodeShapeSettings(e.extension);
    if (!s || (s->shape != kHorizontalLine && s->shape != kVerticalLine)) {
        error = "the settings of shape box \"" + decodeImageText(e.name).toStdString() +
                "\" cannot be read (a horizontal or vertical line)";
        return nullptr;
    }
    QColor colour = colourFromRecord(s->lineColour, context.parent->palette());
    if (!colour.isValid()) colour = context.parent->palette().color(QPalette::WindowText);
    auto* w = new LineWidget(s->shape, colour, context.parent);
    return new ShapeBoxControl(w);
}

}  // namespace vexrun
