// tessaly-error-dialog CAPTION TEXT
//
// Shows the launcher's failure message as a dialog and returns when it is
// closed. The launcher starts it only when a display is available; the texts
// are 8-bit and are taken in the locale's encoding.

#include <QApplication>
#include <cstdio>

#include "launcher/error_dialog/error_box.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaly-error-dialog CAPTION TEXT\n");
        return 2;
    }
    // Taken before Qt looks at the command line for options of its own.
    const QString caption = QString::fromLocal8Bit(argv[1]);
    const QString text = QString::fromLocal8Bit(argv[2]);
    QApplication app(argc, argv);
    auto box = launcher::makeErrorBox(caption, text);
    box->exec();
    return 0;
}
