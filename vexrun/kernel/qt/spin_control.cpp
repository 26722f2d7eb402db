// The spin control (kind 1:30): an up and a down button in one small box.
// Pressing either raises its event 0 with an integer: 1 up, -1 down.
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWidget>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/builtin_controls.h"

namespace vexrun {
namespace {

class SpinWidget : public QWidget {
public:
    SpinWidget(const ControlContext& context)
        : QWidget(context.parent), host_(context.host), windowId_(context.windowId), id_(context.element->id) {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        const int half = height() / 2;
        const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
        for (int i = 0; i < 2; ++i) {
            QStyleOptionButton b;
            b.initFrom(this);
            b.rect = halves[i];
            if (pressed_ == i) b.state |= QStyle::State_Sunken;
            else b.state |= QStyle::State_Raised;
            p.drawPrimitive(QStyle::PE_PanelButtonBevel, b);
            QStyleOption arrow = b;
            arrow.rect = halves[i].adjusted(3, 3, -3, -3);
            p.drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, arrow);
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        pressed_ = e->position().y() < height() / 2 ? 0 : 1;
        update();
        host_->raiseEvent(windowId_, id_, vx::kEventSpin, EventArgs::integers({pressed_ == 0 ? 1 : -1}));
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        pressed_ = -1;
        update();
    }

private:
    ControlHost* host_;
    uint32_t windowId_;
    uint32_t id_;
    int pressed_ = -1;
};

class SpinControl : public Control {
public:
    explicit SpinControl(SpinWidget* w) : widget_(w) {}
    QWidget* widget() const override { return widget_; }
    PropertyType propertyType(uint32_t) const override { return PropertyType::Unknown; }

private:
    SpinWidget* widget_;
};

}  // namespace

Control* createSpinControl(const ControlContext& context, std::string&) {
    return new SpinControl(new SpinWidget(context));
}

}  // namespace vexrun
