// The common events every kind can raise: -3 double-clicked (x, y, shift
// state) and -9 key pressed (virtual key code, shift state). Watched only on
// controls that bind them; the control handles the mouse or key as usual
// after the handler ran.
#pragma once

#include <stdint.h>

#include <QObject>

#include "vexrun/kernel/qt/windowing.h"

namespace vexrun {

class CommonEventFilter : public QObject {
public:
    static void install(QWidget* widget, ControlHost* host, uint32_t windowId, const image::Element& element);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CommonEventFilter(QWidget* widget, ControlHost* host, uint32_t windowId, uint32_t elementId, bool dblClick,
                      bool keys);
    ControlHost* host_;
    uint32_t windowId_;
    uint32_t elementId_;
    bool doubleClicks_;
    bool keys_;
};

}  // namespace vexrun
