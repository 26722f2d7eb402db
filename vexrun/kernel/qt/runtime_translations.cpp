#include "vexrun/kernel/qt/runtime_translations.h"

#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vexrun {

QTranslator* installRuntimeTranslations(const QLocale& locale) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    // "qtbase_zh_CN.qm" and the like: the buttons and menus of the widgets.
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return installed.get();
}

}  // namespace vexrun
