#include "vexrun/kernel/qt/main_window.h"

#include <QCloseEvent>

namespace vexrun {

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
