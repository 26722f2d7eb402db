// Reading a .mo catalog: a header of 32-bit words, then two tables of
// (length, offset) pairs, originals sorted by their bytes and their
// translations in the same order; a plural entry holds its forms one after
// another, each ending in NUL.
#include "messages/compiled_catalog.h"

#include "messages/messages.h"

#include <cstring>

namespace messages {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderBytes = 28;

}  // namespace

const CompiledCatalogBytes* compiledCatalogOf(std::string_view language) {
    for (const CompiledCatalogBytes& c : compiledCatalogs()) {
        if (language == c.language) return &c;
    }
    return nullptr;
}

namespace {

std::optional<CompiledCatalog>& chosen() {
    static std::optional<CompiledCatalog> catalog;
    return catalog;
}

}  // namespace

const std::optional<CompiledCatalog>& chosenCatalog() { return chosen(); }

bool useLanguage(const char* language) {
    const CompiledCatalogBytes* c = compiledCatalogOf(language);
    if (c) chosen().emplace(std::span<const unsigned char>(c->bytes, c->size));
    return c != nullptr;
}

std::uint32_t CompiledCatalog::word(std::size_t at) const {
    std::uint32_t w = 0;
    std::memcpy(&w, bytes_.data() + at, sizeof w);
    return w;
}

CompiledCatalog::CompiledCatalog(std::span<const unsigned char> bytes) : bytes_(bytes) {
    if (bytes.size() < kHeaderBytes || word(0) != kMagic || word(4) != 0) return;
    const std::uint32_t count = word(8), originals = word(12), translations = word(16);
    const auto tableFits = [&](std::uint32_t table) {
        return table <= bytes.size() && (bytes.size() - table) / 8 >= count;
    };
    if (!tableFits(originals) || !tableFits(translations)) return;
    // Every string lies inside the catalog and ends in NUL.
    for (std::uint32_t table : {originals, translations}) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t length = word(table + 8 * i), offset = word(table + 8 * i + 4);
            if (offset >= bytes.size() || bytes.size() - offset <= length || bytes[offset + length] != 0) return;
        }
    }
    count_ = count;
    originals_ = originals;
    translations_ = translations;
    // The header (the translation of "") names the plural forms; Chinese
    // has one. Another language is taken as English is: one, and the rest.
    const char* header = find("");
    onePluralForm_ = header && std::strstr(header, "nplurals=1;");
}

std::string_view CompiledCatalog::entry(std::uint32_t table, std::uint32_t index) const {
    return {reinterpret_cast<const char*>(bytes_.data()) + word(table + 8 * index + 4), word(table + 8 * index)};
}

std::uint32_t CompiledCatalog::indexOf(std::string_view english) const {
    std::uint32_t low = 0, high = count_;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        // A plural entry's original is "one\0many": it sorts by "one".
        std::string_view original = entry(originals_, middle);
        original = original.substr(0, original.find('\0'));
        const int order = original.compare(english);
        if (order == 0) return middle;
        if (order < 0) low = middle + 1;
        else high = middle;
    }
    return count_;
}

const char* CompiledCatalog::translated(const char* english) const {
    const char* found = find(english);
    return found ? found : english;
}

const char* CompiledCatalog::translatedCount(const char* one, const char* many, unsigned long n) const {
    const char* found = findCount(one, n);
    return found ? found : n == 1 ? one : many;
}

const char* CompiledCatalog::find(const char* english) const {
    const std::uint32_t i = indexOf(english);
    if (i == count_) return nullptr;
    const std::string_view text = entry(translations_, i);
    return text.empty() ? nullptr : text.data();
}

const char* CompiledCatalog::findCount(const char* one, unsigned long n) const {
    const std::uint32_t i = indexOf(one);
    if (i == count_) return nullptr;
    const std::string_view forms = entry(translations_, i);
    if (forms.empty()) return nullptr;
    if (onePluralForm_ || n == 1) return forms.data();
    const std::size_t second = forms.find('\0');
    return second == std::string_view::npos ? forms.data() : forms.data() + second + 1;
}

}  // namespace messages
