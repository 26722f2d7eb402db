// The one widget application of a test binary, with the look the window
// layer gives every window (Fusion, the control font). Tests run on Qt's
// offscreen platform.
#pragma once

#include <cstdlib>

#include <QApplication>
#include <QStyleFactory>

#include "vexrun/kernel/qt/record_fonts.h"

namespace vexrun::testing {

inline QApplication& testApplication() {
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "vexrun-test";
        static char* argv[] = {name, nullptr};
        auto* a = new QApplication(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setFont(controlFont());
        a->setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

}  // namespace vexrun::testing
