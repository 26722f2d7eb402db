#include "vexrun/kernel/qt/common_events.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/key_codes.h"

namespace vexrun {

CommonEventFilter::CommonEventFilter(QWidget* widget, ControlHost* host, uint32_t windowId, uint32_t elementId,
                                     bool dblClick, bool keys)
    : QObject(widget), host_(host), windowId_(windowId), elementId_(elementId), doubleClicks_(dblClick), keys_(keys) {}

void CommonEventFilter::install(QWidget* widget, ControlHost* host, uint32_t windowId, const image::Element& element) {
    const bool dbl = image::handlerFor(element, vx::kEventDoubleClicked).has_value();
    const bool keys = image::handlerFor(element, vx::kEventKeyPressed).has_value();
    if (!dbl && !keys) return;
    auto* filter = new CommonEventFilter(widget, host, windowId, element.id, dbl, keys);
    widget->installEventFilter(filter);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) area->viewport()->installEventFilter(filter);
}

bool CommonEventFilter::eventFilter(QObject* watched, QEvent* event) {
    // A disabled control takes no mouse or keys from the user.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && !widget->isEnabled()) return false;
    if (event->type() == QEvent::MouseButtonDblClick && doubleClicks_) {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint p = e->position().toPoint();
        host_->raiseEvent(windowId_, elementId_, vx::kEventDoubleClicked,
                          EventArgs::integers({p.x(), p.y(), shiftState(e->modifiers())}));
    } else if (event->type() == QEvent::KeyPress && keys_) {
        auto* e = static_cast<QKeyEvent*>(event);
        const int32_t code = windowsKeyCode(*e);
        if (code != 0) {
            host_->raiseEvent(windowId_, elementId_, vx::kEventKeyPressed,
                              EventArgs::integers({code, shiftState(e->modifiers())}));
        }
    }
    return false;
}

}  // namespace vexrun
