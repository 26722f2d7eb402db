#include "image/image_writer.h"

#include <cstring>

#include "image/byte_writer.h"
#include "image/image_format.h"

namespace image {

std::vector<uint8_t> encodeIdentifierGroups(const IdentifierGroups& groups) {
    ByteWriter w;
    for (const std::vector<uint32_t>& group : groups.groups) {
        w.u32(static_cast<uint32_t>(group.size()));
        for (uint32_t place : group) w.u32(place);
    }
    return w.take();
}

LayoutInput layoutInputOf(const ImageContents& c) {
    LayoutInput in;
    in.libraryTableSize = static_cast<uint32_t>(c.libraryTable.size());
    in.constSize = static_cast<uint32_t>(c.constData.size());
    in.formSize = static_cast<uint32_t>(c.form.size());
    in.helpSize = static_cast<uint32_t>(c.help.size());
    in.codeSize = static_cast<uint32_t>(c.code.size());
    in.codeRelocationCount = static_cast<uint32_t>(c.codeRelocations.size());
    uint32_t groupBytes = 0;
    for (const auto& g : c.identifierGroups.groups) groupBytes += 4 + 4 * static_cast<uint32_t>(g.size());
    in.reloc1Size = groupBytes;
    in.entryCodeOffset = c.entryCodeOffset;
    return in;
}

std::optional<std::vector<uint8_t>> writeImage(const ImageContents& c, std::string& error) {
    std::optional<ImageLayout> layout = computeLayout(layoutInputOf(c), error);
    if (!layout) return std::nullopt;
    const auto& s = layout->sections;

    ByteWriter w;
    uint32_t header[kHeaderWords] = {};
    std::memcpy(&header[kWordMagic], kMagic, 4);
    header[kWordFirstSection] = s[kChainConst].headerOffset;
    for (int i = 0; i < 5; ++i) header[kWordStored10 + i] = kStoredWords10to14[i];
    header[kWordEntryRoutine] = layout->entryWord;
    header[kWordConstSection] = s[kChainConst].headerOffset;
    header[kWordFormSection] = s[kChainForm].headerOffset;
    header[kWordHelpSection] = s[kChainHelp].headerOffset;
    header[kWordCodeSection] = s[kChainCode].headerOffset;
    header[kWordVarSection] = s[kChainVar].headerOffset;
    header[kWordDllNamesSection] = s[kChainConst].headerOffset;
    for (int i = 0; i < 4; ++i) header[kWordDllFileName + i] = c.dllNameOffsets[i];
    for (uint32_t word : header) w.u32(word);
    w.bytes(c.libraryTable);

    std::vector<uint8_t> groups = encodeIdentifierGroups(c.identifierGroups);
    const std::vector<uint8_t>* data[kChainLength] = {&c.constData, &c.form, &c.help, &c.code, nullptr, &groups};
    for (uint32_t i = 0; i < kChainLength; ++i) {
        const SectionPlacement& p = s[i];
        const std::vector<uint32_t>* relocations = i == kChainCode ? &c.codeRelocations : nullptr;
        uint32_t fileSize = data[i] ? static_cast<uint32_t>(data[i]->size()) : 0;
        uint32_t memorySize = i == kChainVar ? c.varSize : fileSize;
        if (i == kChainReloc1 && c.reloc1StatedFourShort && fileSize >= 4) {
            fileSize -= 4;
            memorySize -= 4;
        }
        w.u32(p.headerSize);
        w.u32(p.next);
        w.u32(kSections[i].flags);
        std::string_view name = kSections[i].name;
        w.bytes(name);
        w.zeros(sizeof(SectionHeader::name) - name.size());
        w.u32(memorySize);
        w.u32(fileSize);
        w.u32(p.dataOffset);
        w.u32(relocations ? static_cast<uint32_t>(relocations->size()) : 0);
        w.u32(0);
        if (relocations) {
            for (uint32_t entry : *relocations) w.u32(entry);
        }
        if (data[i]) w.bytes(*data[i]);
    }
    return w.take();
}

}  // namespace image
