// The launcher's failure dialog: an error icon, the caption, the text and a
// single OK button.
#pragma once

#include <QMessageBox>
#include <QString>

#include <memory>

namespace launcher {

std::unique_ptr<QMessageBox> makeErrorBox(const QString& caption, const QString& text);

}  // namespace launcher
