#include "builder/elf_object.h"

#include <elf.h>

#include <algorithm>
#include <cstring>

#include "image/hex_text.h"

namespace image {
namespace {

struct Reader {
    std::span<const uint8_t> bytes;
    std::string& error;
    ElfObject object;

    bool fail(std::string message) {
        error = "program object: " + std::move(message);
        return false;
    }

    bool inFile(uint64_t offset, uint64_t size) const {
        return offset <= bytes.size() && size <= bytes.size() - offset;
    }

    // A NUL-ended name at `offset` of string table `table`.
    bool nameIn(const ElfSection& table, uint64_t offset, std::string& out, const std::string& what) {
        if (offset >= table.data.size()) {
            return fail(what + ": name offset " + hexText(offset) + " lies outside string table " + table.name);
        }
        const void* nul = std::memchr(table.data.data() + offset, 0, table.data.size() - offset);
        if (!nul) return fail(what + ": name at " + hexText(offset) + " of " + table.name + " has no NUL");
        out.assign(reinterpret_cast<const char*>(table.data.data() + offset),
                   static_cast<const uint8_t*>(nul) - (table.data.data() + offset));
        return true;
    }

    bool header(Elf64_Ehdr& h) {
        if (bytes.size() < sizeof h) {
            return fail("the file has " + std::to_string(bytes.size()) + " bytes, fewer than an ELF header's 64");
        }
        std::memcpy(&h, bytes.data(), sizeof h);
        if (std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0) return fail("not an ELF file (wrong magic)");
        if (h.e_ident[EI_CLASS] != ELFCLASS64) return fail("not a 64-bit ELF object");
        if (h.e_ident[EI_DATA] != ELFDATA2LSB) return fail("not a little-endian ELF object");
        if (h.e_type != ET_REL) return fail("not a relocatable object (ELF type " + std::to_string(h.e_type) + ")");
        if (h.e_machine != EM_X86_64) return fail("not an x86-64 object (machine " + std::to_string(h.e_machine) + ")");
        if (h.e_shentsize != sizeof(Elf64_Shdr)) {
            return fail("section header entries of " + std::to_string(h.e_shentsize) + " bytes, not 64");
        }
        if (h.e_shnum == 0) return fail("no section headers (or more than the 16-bit count holds)");
        if (!inFile(h.e_shoff, uint64_t(h.e_shnum) * sizeof(Elf64_Shdr))) {
            return fail("the section header table at " + hexText(h.e_shoff) + " runs past the end of the file");
        }
        if (h.e_shstrndx == SHN_UNDEF || h.e_shstrndx >= h.e_shnum) {
            return fail("section-name table index " + std::to_string(h.e_shstrndx) + " is not a section");
        }
        return true;
    }

    bool sections(const Elf64_Ehdr& h) {
        std::vector<Elf64_Shdr> raw(h.e_shnum);
        std::memcpy(raw.data(), bytes.data() + h.e_shoff, raw.size() * sizeof(Elf64_Shdr));
        object.sections.resize(h.e_shnum);

        // Names first, so that every later message can name its section.
        const Elf64_Shdr& namesHeader = raw[h.e_shstrndx];
        if (namesHeader.sh_type != SHT_STRTAB || !inFile(namesHeader.sh_offset, namesHeader.sh_size)) {
            return fail("the section-name table (section #" + std::to_string(h.e_shstrndx) +
                        ") is not a string table inside the file");
        }
        ElfSection names;
        names.name = "the section-name table";
        names.data = bytes.subspan(namesHeader.sh_offset, namesHeader.sh_size);
        for (uint32_t i = 1; i < h.e_shnum; ++i) {
            if (!nameIn(names, raw[i].sh_name, object.sections[i].name, "section #" + std::to_string(i))) return false;
        }

        for (uint32_t i = 0; i < h.e_shnum; ++i) {
            const Elf64_Shdr& s = raw[i];
            ElfSection& out = object.sections[i];
            out.index = i;
            out.type = s.sh_type;
            out.flags = s.sh_flags;
            out.size = s.sh_size;
            out.align = s.sh_addralign ? s.sh_addralign : 1;
            out.link = s.sh_link;
            out.info = s.sh_info;
            if ((out.align & (out.align - 1)) != 0) {
                return fail("section " + out.name + ": alignment " + std::to_string(out.align) +
                            " is not a power of two");
            }
            if (s.sh_type != SHT_NOBITS && s.sh_type != SHT_NULL) {
                if (!inFile(s.sh_offset, s.sh_size)) {
                    return fail("section " + out.name + ": its " + hexText(s.sh_size) + " bytes at " +
                                hexText(s.sh_offset) + " run past the end of the file (" + hexText(bytes.size()) +
                                ")");
                }
                out.data = bytes.subspan(s.sh_offset, s.sh_size);
            }
        }
        return true;
    }

    bool symbols() {
        const ElfSection* symtab = nullptr;
        for (const ElfSection& s : object.sections) {
            if (s.type == SHT_SYMTAB) {
                if (symtab) return fail("more than one symbol table");
                symtab = &s;
            }
            if (s.type == SHT_REL) {
                return fail("section " + s.name + " holds REL relocations; x86-64 objects use RELA");
            }
            if (s.type == SHT_SYMTAB_SHNDX) return fail("extended section indices (" + s.name + ") are not supported");
        }
        object.symbols.resize(1);
        if (!symtab) return true;
        if (symtab->size % sizeof(Elf64_Sym) != 0) {
            return fail("symbol table " + symtab->name + ": size " + hexText(symtab->size) +
                        " is not a whole number of entries");
        }
        if (symtab->link == 0 || symtab->link >= object.sections.size() ||
            object.sections[symtab->link].type != SHT_STRTAB) {
            return fail("symbol table " + symtab->name + ": its string table index " + std::to_string(symtab->link) +
                        " is not a string table");
        }
        const ElfSection& strtab = object.sections[symtab->link];
        size_t count = symtab->size / sizeof(Elf64_Sym);
        object.symbols.resize(std::max<size_t>(count, 1));
        for (size_t i = 1; i < count; ++i) {
            Elf64_Sym s;
            std::memcpy(&s, symtab->data.data() + i * sizeof s, sizeof s);
            ElfSymbol& out = object.symbols[i];
            if (!nameIn(strtab, s.st_name, out.name, "symbol #" + std::to_string(i))) return false;
            out.bind = ELF64_ST_BIND(s.st_info);
            out.type = ELF64_ST_TYPE(s.st_info);
            out.sectionIndex = s.st_shndx;
            out.value = s.st_value;
            out.size = s.st_size;
            if (out.type == STT_SECTION && out.name.empty() && s.st_shndx < object.sections.size()) {
                out.name = object.sections[s.st_shndx].name;
            }
            bool special = s.st_shndx == SHN_UNDEF || s.st_shndx == SHN_ABS || s.st_shndx == SHN_COMMON;
            if (!special && s.st_shndx >= object.sections.size()) {
                return fail("symbol " + out.name + ": section index " + std::to_string(s.st_shndx) +
                            " is not a section");
            }
        }
        return true;
    }

    bool relocations() {
        for (const ElfSection& s : object.sections) {
            if (s.type != SHT_RELA) continue;
            if (s.size % sizeof(Elf64_Rela) != 0) {
                return fail("relocation section " + s.name + ": size " + hexText(s.size) +
                            " is not a whole number of entries");
            }
            if (s.info == 0 || s.info >= object.sections.size()) {
                return fail("relocation section " + s.name + ": target section index " + std::to_string(s.info) +
                            " is not a section");
            }
            ElfRelocationSection out;
            out.index = s.index;
            out.target = s.info;
            size_t count = s.size / sizeof(Elf64_Rela);
            out.entries.resize(count);
            for (size_t i = 0; i < count; ++i) {
                Elf64_Rela r;
                std::memcpy(&r, s.data.data() + i * sizeof r, sizeof r);
                ElfRelocation& e = out.entries[i];
                e.offset = r.r_offset;
                e.type = ELF64_R_TYPE(r.r_info);
                e.symbol = ELF64_R_SYM(r.r_info);
                e.addend = r.r_addend;
                if (e.symbol >= object.symbols.size()) {
                    return fail("relocation section " + s.name + ", entry " + std::to_string(i) + ": symbol index " +
                                std::to_string(e.symbol) + " is not a symbol");
                }
            }
            object.relocationSections.push_back(std::move(out));
        }
        return true;
    }
};

}  // namespace

std::optional<ElfObject> readElfObject(std::span<const uint8_t> bytes, std::string& error) {
    Reader r{bytes, error, {}};
    Elf64_Ehdr h;
    if (!r.header(h) || !r.sections(h) || !r.symbols() || !r.relocations()) return std::nullopt;
    return std::move(r.object);
}

}  // namespace image
