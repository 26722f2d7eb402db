// Checking a kernel library file before the loader maps it.
#include "launcher/library_file.h"

#include <elf.h>
#include <fcntl.h>
#include <stdint.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {
namespace {

bool readAt(int fd, void* into, size_t size, uint64_t offset) {
    return pread(fd, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// The byte range [offset, offset + size) lies inside a file of `fileSize`
// bytes (no overflow on the way).
bool inside(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

bool wholeElf(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const auto fileSize = static_cast<uint64_t>(st.st_size);

    Elf64_Ehdr header{};
    if (!readAt(fd, &header, sizeof header, 0)) return false;
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_machine != EM_X86_64 ||
        header.e_phentsize != sizeof(Elf64_Phdr) || header.e_phnum == 0) {
        return false;
    }
    if (!inside(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf64_Phdr), fileSize)) return false;
    for (uint16_t i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (!readAt(fd, &segment, sizeof segment, header.e_phoff + uint64_t{i} * sizeof segment)) return false;
        const bool mapped = segment.p_type == PT_LOAD || segment.p_type == PT_DYNAMIC;
        if (mapped && !inside(segment.p_offset, segment.p_filesz, fileSize)) return false;
    }
    return true;
}

}  // namespace

bool libraryFileWhole(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool whole = wholeElf(fd);
    close(fd);
    return whole;
}

}  // namespace launcher
