// The messages' catalog on Linux: gettext, with the language the locale
// names (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as every gettext program reads
// them). The catalog lies in share/locale beside the program's bin/: under
// /usr once installed, in the build folder before. A language chosen by the
// program (useLanguage) is read from the catalogs compiled in instead: it
// needs no locale of that language on the machine.
#include <libintl.h>
#include <locale.h>

#include <optional>

#include "messages/compiled_catalog.h"
#include "messages/messages.h"
#include "vexrun/kernel/core/platform.h"

namespace messages {

void useUserLanguage() {
    // Only the messages' category: numbers, the JSON report and the
    // subtitles' bytes stay as they are in every locale.
    setlocale(LC_MESSAGES, "");
    const std::string catalogs = vexrun::platform::ownDirectory() + "/../share/locale";
    bindtextdomain(kMessageDomain, catalogs.c_str());
    // The terminal gets UTF-8 whatever the locale's character set, as the
    // program's own Chinese lines are: the C library's reasons (strerror,
    // from its catalog "libc") too.
    bind_textdomain_codeset(kMessageDomain, "UTF-8");
    bind_textdomain_codeset("libc", "UTF-8");
}

const char* tr(const char* english) {
    if (const std::optional<CompiledCatalog>& chosen = chosenCatalog()) return chosen->translated(english);
    return dgettext(kMessageDomain, english);
}

const char* trCount(const char* one, const char* many, unsigned long n) {
    if (const std::optional<CompiledCatalog>& chosen = chosenCatalog()) return chosen->translatedCount(one, many, n);
    return dngettext(kMessageDomain, one, many, n);
}

}  // namespace messages
