// Writing a program image from its parts: the header with the offsets that
// result, the library table, then the sections const, form, help, code, var
// and @reloc1, each header followed by its relocation entries and its data.
#pragma once

#include <stdint.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "image/image_layout.h"
#include "image/image_reader.h"

namespace image {

struct ImageContents {
    std::vector<uint8_t> libraryTable;  // its bytes, closing empty text included
    std::vector<uint8_t> constData;
    std::vector<uint8_t> form;
    std::vector<uint8_t> help;
    std::vector<uint8_t> code;
    std::vector<uint32_t> codeRelocations;  // (code offset << 3) | kind, ascending
    uint32_t varSize = 0;                   // size in memory of "var"
    IdentifierGroups identifierGroups;
    uint32_t entryCodeOffset = 0;
    // Offsets in the const data of the DLL file name and the three DLL-command
    // names (header words 24 to 27).
    std::array<uint32_t, 4> dllNameOffsets{};
    // State the "@reloc1" size 4 bytes short of its groups, as the original
    // image did; only for testing that readers accept that form.
    bool reloc1StatedFourShort = false;
};

// The four groups as the "@reloc1" data holds them: per group a u32 count,
// then that many u32 code offsets.
std::vector<uint8_t> encodeIdentifierGroups(const IdentifierGroups& groups);

LayoutInput layoutInputOf(const ImageContents& contents);

std::optional<std::vector<uint8_t>> writeImage(const ImageContents& contents, std::string& error);

}  // namespace image
