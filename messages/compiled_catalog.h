// A message catalog in the compiled form msgfmt writes (.mo), read in place:
// the Windows tool carries the catalogs of po/ in it this way, made from the
// same .po files as Linux's at build time, and so does a program that asks
// for one language whatever the locale (the window's sync library).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace messages {

// One catalog compiled into the program: its language ("zh_CN") and bytes.
struct CompiledCatalogBytes {
    const char* language;
    const unsigned char* bytes;
    std::size_t size;
};

// The catalogs of po/, generated at build time (compiled_catalogs.cpp).
std::span<const CompiledCatalogBytes> compiledCatalogs();

// The compiled catalog of `language` ("zh_CN"), or nullptr.
const CompiledCatalogBytes* compiledCatalogOf(std::string_view language);

class CompiledCatalog {
public:
    // Reads the tables of `bytes`; a catalog that is not a whole .mo of this
    // machine's byte order holds nothing.
    explicit CompiledCatalog(std::span<const unsigned char> bytes);

    bool empty() const { return count_ == 0; }

    // The translation of `english`, or nullptr.
    const char* find(const char* english) const;
    // The plural form for `n` of the entry `one`, or nullptr.
    const char* findCount(const char* one, unsigned long n) const;
    // The same, with the English text where the catalog has none.
    const char* translated(const char* english) const;
    const char* translatedCount(const char* one, const char* many, unsigned long n) const;

private:
    // The string at entry `index` of the table at `table`: its text and length.
    std::string_view entry(std::uint32_t table, std::uint32_t index) const;
    std::uint32_t word(std::size_t at) const;
    // The entry whose original text is `english`, or count_.
    std::uint32_t indexOf(std::string_view english) const;

    std::span<const unsigned char> bytes_;
    std::uint32_t count_ = 0;
    std::uint32_t originals_ = 0, translations_ = 0;
    bool onePluralForm_ = false;  // the language has one form for every count
};

// The compiled catalog the messages are read from, once one is chosen
// (useLanguage, messages/messages.h): none until then.
const std::optional<CompiledCatalog>& chosenCatalog();

}  // namespace messages
