// Just enough of an ELF64 reader for the tests: section headers, the symbol
// table, the libraries named in the dynamic section, and section bytes.
#pragma once

#include <stdint.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace launcher_test {

struct ElfSection {
    std::string name;
    uint32_t type = 0;
    uint64_t flags = 0;
    uint64_t address = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

struct ElfSymbol {
    uint64_t value = 0;
    uint64_t size = 0;
};

class ElfFile {
public:
    explicit ElfFile(const std::filesystem::path& file);

    // Empty when the file was read; else what is wrong with it.
    const std::string& error() const { return error_; }
    uint16_t type() const { return type_; }
    const std::vector<ElfSection>& sections() const { return sections_; }
    const ElfSection* section(const std::string& name) const;
    std::vector<uint8_t> bytes(const ElfSection& section) const;
    std::optional<ElfSymbol> symbol(const std::string& name) const;
    std::vector<std::string> neededLibraries() const;

private:
    std::vector<uint8_t> data_;
    std::string error_;
    uint16_t type_ = 0;
    std::vector<ElfSection> sections_;
};

}  // namespace launcher_test
