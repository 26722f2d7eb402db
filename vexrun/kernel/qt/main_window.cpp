#include "vexrun/kernel/qt/main_window.h"

#include <algorithm>

#include <QCloseEvent>

namespace vexrun {
namespace {
// The frame of a Windows window of this kind: borders and the caption bar.
constexpr int kFrameSide = 4;
constexpr int kFrameTop = 30;
constexpr int kFrameBottom = 4;
// Room kept to the right of and below the outermost control.
constexpr int kClientMargin = 4;
}  // namespace

QSize clientSizeFor(const image::Window& window) {
    int width = 0, height = 0;
    if (!window.elements.empty()) {
        width = window.elements[0].width - 2 * kFrameSide;
        height = window.elements[0].height - kFrameTop - kFrameBottom;
    }
    for (size_t i = 1; i < window.elements.size(); ++i) {
        const image::Element& e = window.elements[i];
        if (!e.visible()) continue;
        width = std::max(width, e.left + e.width + kClientMargin);
        height = std::max(height, e.top + e.height + kClientMargin);
    }
    return QSize(std::max(width, 1), std::max(height, 1));
}

MainWindowWidget::MainWindowWidget() {
    // The window has a fixed size: a caption, a system menu, minimise and
    // close, and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void MainWindowWidget::closeNow() {
    closing_ = true;
    close();
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
    if (closing_ || !closeRequest_ || closeRequest_()) {
        event->accept();
        return;
    }
    event->ignore();
}

}  // namespace vexrun
