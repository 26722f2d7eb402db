// Reading one relocatable ELF64 x86-64 object: its sections, symbols and
// RELA relocations. Every offset, size and index is checked against the file;
// a malformed object gives one message naming what and where.
#pragma once

#include <stdint.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

struct ElfSection {
    uint32_t index = 0;
    std::string name;
    uint32_t type = 0;
    uint64_t flags = 0;
    uint64_t size = 0;
    uint64_t align = 1;  // at least 1
    uint32_t link = 0;
    uint32_t info = 0;
    std::span<const uint8_t> data;  // empty for a section without file bytes
};

struct ElfSymbol {
    std::string name;
    uint8_t bind = 0;  // STB_*
    uint8_t type = 0;  // STT_*
    uint16_t sectionIndex = 0;  // SHN_UNDEF, SHN_ABS, SHN_COMMON or a section index
    uint64_t value = 0;
    uint64_t size = 0;
};

struct ElfRelocation {
    uint64_t offset = 0;  // in the target section
    uint32_t type = 0;    // R_X86_64_*
    uint32_t symbol = 0;  // index into ElfObject::symbols
    int64_t addend = 0;
};

struct ElfRelocationSection {
    uint32_t index = 0;   // of the RELA section itself
    uint32_t target = 0;  // the section the entries patch
    std::vector<ElfRelocation> entries;
};

struct ElfObject {
    std::vector<ElfSection> sections;  // by section index; [0] is the null section
    std::vector<ElfSymbol> symbols;    // by symbol index; [0] is the null symbol
    std::vector<ElfRelocationSection> relocationSections;
};

// The object's section data views `bytes`, which must outlive it.
std::optional<ElfObject> readElfObject(std::span<const uint8_t> bytes, std::string& error);

}  // namespace image
