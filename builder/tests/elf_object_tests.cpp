// Reading the relocatable object: what a compiled object yields, and one
// message naming the part of a damaged object, never a read outside it.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>

#include "builder/elf_object.h"
#include "builder/program_identifiers.h"
#include "builder/program_linker.h"
#include "builder/tests/builder_samples.h"

namespace {

using namespace image;

#define EXPECT_MENTIONS(message, text) EXPECT_NE((message).find(text), std::string::npos) << (message)

std::string failureOf(const std::vector<uint8_t>& bytes) {
    std::string error;
    EXPECT_FALSE(readElfObject(bytes, error).has_value());
    EXPECT_FALSE(error.empty());
    return error;
}

Elf64_Ehdr headerOf(const std::vector<uint8_t>& bytes) {
    Elf64_Ehdr h;
    std::memcpy(&h, bytes.data(), sizeof h);
    return h;
}

// Offset in the file of section header `index`.
size_t sectionHeaderAt(const std::vector<uint8_t>& bytes, uint32_t index) {
    return headerOf(bytes).e_shoff + index * sizeof(Elf64_Shdr);
}

uint32_t indexOf(const ElfObject& object, const char* name) {
    for (const ElfSection& s : object.sections) {
        if (s.name == name) return s.index;
    }
    ADD_FAILURE() << "no section " << name;
    return 0;
}

TEST(ElfObject, ReadsSectionsSymbolsAndRelocations) {
    std::string error;
    const auto bytes = test::testObject("linked_routines");
    auto object = readElfObject(bytes, error);
    ASSERT_TRUE(object) << error;
    const ElfSection& text = object->sections[indexOf(*object, ".text")];
    EXPECT_GT(text.size, 0u);
    EXPECT_EQ(text.data.size(), text.size);
    bool entry = false;
    for (const ElfSymbol& s : object->symbols) entry = entry || s.name == "vxEntryRoutine";
    EXPECT_TRUE(entry);
    bool textRelocations = false;
    for (const ElfRelocationSection& r : object->relocationSections) {
        textRelocations = textRelocations || (r.target == text.index && !r.entries.empty());
    }
    EXPECT_TRUE(textRelocations);
}

TEST(ElfObject, NamesAWrongKindOfFile) {
    const auto good = test::testObject("linked_routines");
    EXPECT_MENTIONS(failureOf(std::vector<uint8_t>(good.begin(), good.begin() + 10)), "fewer than an ELF header's 64");
    auto bytes = good;
    bytes[1] = 'X';
    EXPECT_MENTIONS(failureOf(bytes), "not an ELF file");
    bytes = good;
    bytes[EI_CLASS] = ELFCLASS32;
    EXPECT_MENTIONS(failureOf(bytes), "not a 64-bit ELF object");
    bytes = good;
    bytes[16] = ET_EXEC;
    EXPECT_MENTIONS(failureOf(bytes), "not a relocatable object");
    bytes = good;
    bytes[18] = EM_386;
    EXPECT_MENTIONS(failureOf(bytes), "not an x86-64 object");
}

TEST(ElfObject, NamesTablesAndSectionsThatRunPastTheFile) {
    const auto good = test::testObject("linked_routines");
    std::string error;
    auto object = readElfObject(good, error);
    ASSERT_TRUE(object) << error;

    auto bytes = good;
    Elf64_Ehdr h = headerOf(good);
    h.e_shoff = good.size() - 8;
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_MENTIONS(failureOf(bytes), "section header table");

    // The code's bytes placed past the end of the file.
    bytes = good;
    Elf64_Shdr s;
    size_t at = sectionHeaderAt(good, indexOf(*object, ".text"));
    std::memcpy(&s, &good[at], sizeof s);
    s.sh_offset = good.size() - 4;
    std::memcpy(&bytes[at], &s, sizeof s);
    EXPECT_MENTIONS(failureOf(bytes), "section .text");
    EXPECT_MENTIONS(failureOf(bytes), "run past the end of the file");

    // A section name outside the name table.
    bytes = good;
    std::memcpy(&s, &good[at], sizeof s);
    s.sh_name = 0x7FFFFFF0;
    std::memcpy(&bytes[at], &s, sizeof s);
    EXPECT_MENTIONS(failureOf(bytes), "name offset");

    // The symbol table's string table replaced by the code.
    bytes = good;
    size_t symtab = sectionHeaderAt(good, indexOf(*object, ".symtab"));
    std::memcpy(&s, &good[symtab], sizeof s);
    s.sh_link = indexOf(*object, ".text");
    std::memcpy(&bytes[symtab], &s, sizeof s);
    EXPECT_MENTIONS(failureOf(bytes), "string table index");

    // A relocation naming a symbol the table does not have.
    bytes = good;
    size_t rela = sectionHeaderAt(good, indexOf(*object, ".rela.text"));
    std::memcpy(&s, &good[rela], sizeof s);
    Elf64_Rela r;
    std::memcpy(&r, &good[s.sh_offset], sizeof r);
    r.r_info = ELF64_R_INFO(100000, ELF64_R_TYPE(r.r_info));
    std::memcpy(&bytes[s.sh_offset], &r, sizeof r);
    EXPECT_MENTIONS(failureOf(bytes), "symbol index 100000");

    // A relocation outside the section it patches: read, but not linked.
    bytes = good;
    std::memcpy(&r, &good[s.sh_offset], sizeof r);
    r.r_offset = 0x100000;
    std::memcpy(&bytes[s.sh_offset], &r, sizeof r);
    auto damaged = readElfObject(bytes, error);
    ASSERT_TRUE(damaged) << error;
    LinkOptions options;
    options.knownIds = kProgramIdentifiers;
    options.variablesSize = 0x74;
    EXPECT_FALSE(linkProgram(*damaged, options, error));
    EXPECT_MENTIONS(error, "lies outside its section");
}

TEST(ElfObject, SurvivesEveryTruncation) {
    const auto good = test::testObject("linked_routines");
    for (size_t n = 0; n < good.size(); n += 3) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        std::string error;
        EXPECT_FALSE(readElfObject(cut, error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
}

}  // namespace
