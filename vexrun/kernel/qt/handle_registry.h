// Window handles: small integers standing for the widgets of controls, as
// the kernel command "window handle of a control" hands them out.
#pragma once

#include <stdint.h>

#include <vector>

#include <QPointer>
#include <QWidget>

namespace vexrun {

class HandleRegistry {
public:
    // The handle of `widget`, the same one each time (handles start at 1).
    int32_t handleFor(QWidget* widget) {
        for (size_t i = 0; i < widgets_.size(); ++i) {
            if (widgets_[i] == widget) return int32_t(i + 1);
        }
        widgets_.emplace_back(widget);
        return int32_t(widgets_.size());
    }
    // nullptr for a handle never given out or whose widget is gone.
    QWidget* widget(int32_t handle) const {
        if (handle < 1 || size_t(handle) > widgets_.size()) return nullptr;
        return widgets_[size_t(handle - 1)].data();
    }

private:
    std::vector<QPointer<QWidget>> widgets_;
};

}  // namespace vexrun
