// Where everything of an image lies, worked out from the sizes of its parts:
// the header, the library table, then the six sections in chain order, each
// header followed directly by its relocation entries and its data.
#pragma once

#include <stdint.h>

#include <array>
#include <optional>
#include <string>

namespace image {

// Positions of the sections in the chain (and in image_format.h's kSections).
enum ChainPosition : uint32_t {
    kChainConst = 0,
    kChainForm = 1,
    kChainHelp = 2,
    kChainCode = 3,
    kChainVar = 4,
    kChainReloc1 = 5,
    kChainLength = 6,
};

struct LayoutInput {
    uint32_t libraryTableSize = 0;  // bytes from the end of the header, closing empty text included
    uint32_t constSize = 0;
    uint32_t formSize = 0;
    uint32_t helpSize = 0;
    uint32_t codeSize = 0;
    uint32_t codeRelocationCount = 0;
    uint32_t reloc1Size = 0;        // bytes the identifier groups take
    uint32_t entryCodeOffset = 0;   // of the entry routine, inside the code
};

struct SectionPlacement {
    uint32_t headerOffset = 0;
    uint32_t headerSize = 0;   // 56 + 4 per relocation entry
    uint32_t dataOffset = 0;   // kNoFileData for "var"
    uint32_t next = 0;         // kLastSection for "@reloc1"
};

struct ImageLayout {
    std::array<SectionPlacement, kChainLength> sections{};
    uint32_t entryWord = 0;  // header word 15: the code data's offset + the entry's code offset
    uint32_t imageSize = 0;
};

// Fails with a message when the entry lies outside the code or the image
// would not fit 32-bit offsets.
std::optional<ImageLayout> computeLayout(const LayoutInput& input, std::string& error);

}  // namespace image
