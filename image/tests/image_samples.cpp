#include "image/tests/image_samples.h"

#include <gtest/gtest.h>

#include "image/library_table.h"
#include "image/little_endian.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"

namespace image::test {

std::vector<uint8_t> libraryTableOfSize(uint32_t size) {
    std::string error;
    auto libs = programLibraryEntries(error);
    EXPECT_TRUE(libs) << error;
    if (!libs) return {};
    // The original image named the first six of our libraries.
    libs->resize(vx::kLibSynvox);
    for (auto& lib : *libs) lib.displayName.clear();
    auto table = writeLibraryTable(*libs, error);
    EXPECT_TRUE(table && table->size() <= size) << error;
    libs->back().displayName += std::string(size - table->size(), 'x');
    table = writeLibraryTable(*libs, error);
    EXPECT_EQ(table->size(), size);
    return *table;
}

ImageContents smallImageContents() {
    ImageContents c;
    std::string error;
    auto libs = programLibraryEntries(error);
    c.libraryTable = *writeLibraryTable(*libs, error);
    c.constData = constTableBytes();
    c.form.assign(16, 0);
    c.help.assign(52, 0);
    c.code.assign(kSmallCodeSize, 0x90);
    struct Place {
        uint32_t offset;
        uint32_t value;
    };
    const Place relocated[] = {{0, 0x18}, {8, kConstOrderMessage}, {16, 0x20}, {24, 0x30}};
    for (uint32_t k = 0; k < 4; ++k) {
        storeU32(c.code.data() + relocated[k].offset, relocated[k].value);
        c.codeRelocations.push_back(relocationEntry(relocated[k].offset, static_cast<RelocationKind>(k)));
    }
    const Place identifiers[] = {{32, 0x52010001}, {36, 1}, {40, 5}, {44, 0x00010005}};
    for (uint32_t g = 0; g < 4; ++g) {
        storeU32(c.code.data() + identifiers[g].offset, identifiers[g].value);
        c.identifierGroups.groups[g].push_back(identifiers[g].offset);
    }
    c.varSize = 0x74;
    c.entryCodeOffset = kSmallEntry;
    c.dllNameOffsets = {kConstKernel32, kConstOpenProcess, kConstTerminateProcess, kConstGetCurrentProcessId};
    return c;
}

std::vector<uint8_t> smallImage() {
    std::string error;
    auto bytes = writeImage(smallImageContents(), error);
    EXPECT_TRUE(bytes) << error;
    return bytes.value_or(std::vector<uint8_t>{});
}

}  // namespace image::test
