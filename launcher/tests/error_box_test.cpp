// The failure dialog shows an error icon, the caption, the text and one OK
// button.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>

#include "launcher/error_dialog/error_box.h"

namespace {

TEST(ErrorBox, ShowsTheMessageWithAnErrorIconAndOneOkButton) {
    int argc = 1;
    char name[] = "launcher_error_box_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    const auto box = launcher::makeErrorBox(
        "Error", QString::fromLatin1("Not found the kernel library or the kernel library is invalid!"));
    EXPECT_EQ(box->windowTitle(), "Error");
    EXPECT_EQ(box->text(), "Not found the kernel library or the kernel library is invalid!");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
}

}  // namespace
