#include "launcher/tests/elf_file.h"

#include <elf.h>
#include <string.h>

#include <fstream>
#include <iterator>

namespace launcher_test {
namespace {

template <typename T>
bool readAt(const std::vector<uint8_t>& data, uint64_t offset, T& out) {
    if (offset > data.size() || data.size() - offset < sizeof(T)) return false;
    memcpy(&out, data.data() + offset, sizeof(T));
    return true;
}

std::string textAt(const std::vector<uint8_t>& data, uint64_t offset) {
    std::string text;
    while (offset < data.size() && data[offset] != 0) text += static_cast<char>(data[offset++]);
    return text;
}

}  // namespace

ElfFile::ElfFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    data_.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    Elf64_Ehdr header;
    if (!readAt(data_, 0, header) || memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64) {
        error_ = "not an ELF64 file: " + file.string();
        return;
    }
    type_ = header.e_type;
    std::vector<Elf64_Shdr> headers(header.e_shnum);
    for (size_t i = 0; i < headers.size(); ++i) {
        if (!readAt(data_, header.e_shoff + i * sizeof(Elf64_Shdr), headers[i])) {
            error_ = "section header out of the file";
            return;
        }
    }
    if (header.e_shstrndx >= headers.size()) {
        error_ = "no section name table";
        return;
    }
    const uint64_t names = headers[header.e_shstrndx].sh_offset;
    for (const Elf64_Shdr& h : headers) {
        sections_.push_back({textAt(data_, names + h.sh_name), h.sh_type, h.sh_flags, h.sh_addr,
                             h.sh_offset, h.sh_size});
    }
}

const ElfSection* ElfFile::section(const std::string& name) const {
    for (const ElfSection& s : sections_) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

std::vector<uint8_t> ElfFile::bytes(const ElfSection& section) const {
    if (section.type == SHT_NOBITS || section.offset > data_.size() ||
        data_.size() - section.offset < section.size) {
        return {};
    }
    return {data_.begin() + section.offset, data_.begin() + section.offset + section.size};
}

std::optional<ElfSymbol> ElfFile::symbol(const std::string& name) const {
    const ElfSection* table = section(".symtab");
    const ElfSection* strings = section(".strtab");
    if (!table || !strings) return std::nullopt;
    for (uint64_t at = 0; at + sizeof(Elf64_Sym) <= table->size; at += sizeof(Elf64_Sym)) {
        Elf64_Sym sym;
        if (!readAt(data_, table->offset + at, sym)) break;
        if (textAt(data_, strings->offset + sym.st_name) == name) return ElfSymbol{sym.st_value, sym.st_size};
    }
    return std::nullopt;
}

std::vector<std::string> ElfFile::neededLibraries() const {
    std::vector<std::string> needed;
    const ElfSection* dynamic = section(".dynamic");
    const ElfSection* strings = section(".dynstr");
    if (!dynamic || !strings) return needed;
    for (uint64_t at = 0; at + sizeof(Elf64_Dyn) <= dynamic->size; at += sizeof(Elf64_Dyn)) {
        Elf64_Dyn entry;
        if (!readAt(data_, dynamic->offset + at, entry) || entry.d_tag == DT_NULL) break;
        if (entry.d_tag == DT_NEEDED) needed.push_back(textAt(data_, strings->offset + entry.d_un.d_val));
    }
    return needed;
}

}  // namespace launcher_test
