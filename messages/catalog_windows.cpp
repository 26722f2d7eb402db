// The messages' catalog on Windows, which has no gettext: the catalogs of
// po/ compiled into the program, the one of the language named by LANGUAGE
// (a list, "zh_CN:en"), LC_ALL, LC_MESSAGES or LANG when set, as gettext
// reads them, else by the user's language of Windows' own texts.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "messages/compiled_catalog.h"
#include "messages/messages.h"
#include "vexrun/kernel/core/platform.h"

namespace messages {
namespace {

// "zh_CN" for the language Windows shows its own texts in.
std::string windowsLanguage() {
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    char language[16] = {}, country[16] = {};
    if (GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof language) == 0) return "";
    if (GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof country) == 0) return language;
    return std::string(language) + "_" + country;
}

// The languages asked for, first first; none for the C locale. As with
// gettext, a LANGUAGE list replaces the locale's one language.
std::vector<std::string> wantedLanguages() {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = vexrun::platform::environmentValue(name);
        if (!locale.empty()) break;
    }
    if (locale == "C" || locale == "POSIX") return {};
    std::vector<std::string> wanted;
    const std::string list = vexrun::platform::environmentValue("LANGUAGE");
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t colon = std::min(list.find(':', from), list.size());
        if (colon > from) wanted.push_back(list.substr(from, colon - from));
        from = colon + 1;
    }
    if (wanted.empty()) wanted.push_back(locale.empty() ? windowsLanguage() : locale);
    return wanted;
}

// "zh_CN.UTF-8@x" and "zh-CN" as "zh_CN".
std::string languageOf(std::string name) {
    name = name.substr(0, name.find_first_of(".@"));
    for (char& c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

// The console's code page when the tool started, given back at its end.
UINT consoleCodePage = 0;

void restoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePage); }

}  // namespace

void useUserLanguage() {
    // Everything the tool prints is UTF-8 (its messages, the program's
    // Chinese lines): the console shows it so while the tool runs.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        consoleCodePage = codePage;
        std::atexit(restoreConsoleCodePage);
    }
    for (const std::string& wanted : wantedLanguages()) {
        if (useLanguage(languageOf(wanted).c_str())) return;
    }
}

const char* tr(const char* english) {
    const std::optional<CompiledCatalog>& catalog = chosenCatalog();
    return catalog ? catalog->translated(english) : english;
}

const char* trCount(const char* one, const char* many, unsigned long n) {
    const std::optional<CompiledCatalog>& catalog = chosenCatalog();
    return catalog ? catalog->translatedCount(one, many, n) : n == 1 ? one : many;
}

}  // namespace messages
