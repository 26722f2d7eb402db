// Reading a program image: header, library table, section chain, relocation
// entries and identifier groups. Used by the kernel library's loader, the
// inspection tool and the tests. Every offset and length is checked against
// the bytes given; a malformed image gives one error naming what and where.
#pragma once

#include <stdint.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/image_format.h"

namespace image {

struct LibraryEntry {
    std::string name;         // "vexrun", "plintor", ...
    std::string identifier;   // as stored: bare, in braces, or a braced GUID
    uint32_t major = 0, minor = 0;
    std::string displayName;  // GBK
};

struct SectionView {
    uint32_t headerOffset = 0;   // image offset of the header
    uint32_t nextOffset = 0;     // kLastSection for the last one
    uint32_t flags = 0;
    std::string name;
    uint32_t sizeInMemory = 0;
    uint32_t sizeInFile = 0;
    uint32_t dataOffset = 0;     // kNoFileData for "var"
    std::vector<uint32_t> relocations;       // (code offset << 3) | kind
    std::span<const uint8_t> data;           // sizeInFile bytes (empty for "var")
};

struct IdentifierGroups {
    std::array<std::vector<uint32_t>, 4> groups;  // code offsets, per group
};

struct ImageView {
    std::array<uint32_t, kHeaderWords> header{};
    std::vector<LibraryEntry> libraries;  // in table order; the kernel library first
    uint32_t libraryTableEnd = 0;         // image offset just past the table's closing empty text
    std::vector<SectionView> sections;    // in chain order
    IdentifierGroups identifierGroups;

    const SectionView* section(std::string_view name) const;
    uint32_t entryOffset() const { return header[kWordEntryRoutine]; }
};

struct ImageError {
    std::string message;
};

// Reads an image of `bytes.size()` bytes. The "@reloc1" section's stated size
// may be 4 bytes short of its groups (as the original stated it); the reader
// walks the four groups by their counts, staying inside the image.
std::optional<ImageView> readImage(std::span<const uint8_t> bytes, ImageError& error);

}  // namespace image
