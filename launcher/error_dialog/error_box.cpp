#include "launcher/error_dialog/error_box.h"

namespace launcher {

std::unique_ptr<QMessageBox> makeErrorBox(const QString& caption, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

}  // namespace launcher
