#include "image/image_layout.h"

#include "image/hex_text.h"
#include "image/image_format.h"

namespace image {

std::optional<ImageLayout> computeLayout(const LayoutInput& in, std::string& error) {
    if (in.entryCodeOffset >= in.codeSize) {
        error = "image layout: the entry routine's code offset " + hexText(in.entryCodeOffset) +
                " lies outside the code (" + hexText(in.codeSize) + " bytes)";
        return std::nullopt;
    }
    struct Piece {
        uint64_t relocations;
        uint64_t fileSize;
        bool hasFileData;
    };
    const Piece parts[kChainLength] = {
        {0, in.constSize, true},          {0, in.formSize, true},
        {0, in.helpSize, true},           {in.codeRelocationCount, in.codeSize, true},
        {0, 0, false},                    {0, in.reloc1Size, true},
    };
    ImageLayout out;
    uint64_t at = uint64_t(kHeaderSize) + in.libraryTableSize;
    uint64_t placed[kChainLength][3];  // header offset, header size, data offset
    for (uint32_t i = 0; i < kChainLength; ++i) {
        uint64_t headerSize = sizeof(SectionHeader) + 4 * parts[i].relocations;
        placed[i][0] = at;
        placed[i][1] = headerSize;
        placed[i][2] = at + headerSize;
        at += headerSize + parts[i].fileSize;
    }
    // 0xFFFFFFFF marks "no next" and "no file data", so offsets stay below it.
    if (at >= kLastSection) {
        error = "image layout: the image would take " + hexText(at) + " bytes, more than 32-bit offsets reach";
        return std::nullopt;
    }
    for (uint32_t i = 0; i < kChainLength; ++i) {
        SectionPlacement& s = out.sections[i];
        s.headerOffset = static_cast<uint32_t>(placed[i][0]);
        s.headerSize = static_cast<uint32_t>(placed[i][1]);
        s.dataOffset = parts[i].hasFileData ? static_cast<uint32_t>(placed[i][2]) : kNoFileData;
        s.next = i + 1 < kChainLength ? static_cast<uint32_t>(placed[i + 1][0]) : kLastSection;
    }
    out.entryWord = out.sections[kChainCode].dataOffset + in.entryCodeOffset;
    out.imageSize = static_cast<uint32_t>(at);
    return out;
}

}  // namespace image
