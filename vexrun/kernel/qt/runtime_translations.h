// The window system's own words (message box buttons, the edit boxes'
// context menus) in the user's language: Qt's translations, as the system
// installs them (Debian's qt6-translations-l10n), for the locale.
#pragma once

#include <QLocale>

class QTranslator;

namespace vexrun {

// Installs Qt's translations for `locale` into the application, once (a
// second call replaces the first); returns the translator, or nullptr when the
// system has none for that language (the words stay English).
QTranslator* installRuntimeTranslations(const QLocale& locale);

}  // namespace vexrun
