// Where the sections of an image lie: the arithmetic on the original image's
// sizes, and a synthesized image of those sizes written and read back.
#include <gtest/gtest.h>

#include <string>

#include "image/image_layout.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "image/little_endian.h"
#include "image/tests/image_samples.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"

namespace {

using namespace image;

// The original: a library table ending at 0x1CE, const 0x151, form 0x5C00,
// help 0x34, code 0xA2EC with 595 relocations, entry at code offset 0xA262.
constexpr uint32_t kOriginalTableSize = 0x1CF - kHeaderSize;

LayoutInput originalSizes() {
    LayoutInput in;
    in.libraryTableSize = kOriginalTableSize;
    in.constSize = 0x151;
    in.formSize = 0x5C00;
    in.helpSize = 0x34;
    in.codeSize = 0xA2EC;
    in.codeRelocationCount = 595;
    in.reloc1Size = 0x620;
    in.entryCodeOffset = 0xA262;
    return in;
}

TEST(ImageLayout, TheOriginalSizesGiveTheOriginalOffsets) {
    std::string error;
    auto layout = computeLayout(originalSizes(), error);
    ASSERT_TRUE(layout) << error;
    const auto& s = layout->sections;
    EXPECT_EQ(s[kChainConst].headerOffset, 0x1CFu);
    EXPECT_EQ(s[kChainConst].dataOffset, 0x207u);
    EXPECT_EQ(s[kChainForm].headerOffset, 0x358u);
    EXPECT_EQ(s[kChainForm].dataOffset, 0x390u);
    EXPECT_EQ(s[kChainHelp].headerOffset, 0x5F90u);
    EXPECT_EQ(s[kChainHelp].dataOffset, 0x5FC8u);
    EXPECT_EQ(s[kChainCode].headerOffset, 0x5FFCu);
    EXPECT_EQ(s[kChainCode].headerSize, 0x984u);  // 56 + 4 x 595
    EXPECT_EQ(s[kChainCode].dataOffset, 0x6980u);
    EXPECT_EQ(s[kChainVar].headerOffset, 0x10C6Cu);
    EXPECT_EQ(s[kChainVar].dataOffset, kNoFileData);
    EXPECT_EQ(s[kChainReloc1].headerOffset, 0x10CA4u);
    EXPECT_EQ(s[kChainReloc1].dataOffset, 0x10CDCu);
    EXPECT_EQ(layout->entryWord, 0x10BE2u);
    EXPECT_EQ(layout->imageSize, 0x112FCu);
    for (uint32_t i = 0; i + 1 < kChainLength; ++i) EXPECT_EQ(s[i].next, s[i + 1].headerOffset);
    EXPECT_EQ(s[kChainReloc1].next, kLastSection);
}

TEST(ImageLayout, RefusesAnEntryOutsideTheCodeAndOffsetsPast32Bits) {
    std::string error;
    LayoutInput in = originalSizes();
    in.entryCodeOffset = in.codeSize;
    EXPECT_FALSE(computeLayout(in, error));
    EXPECT_NE(error.find("entry routine"), std::string::npos) << error;

    in = originalSizes();
    in.formSize = 0xFFFFF000u;
    EXPECT_FALSE(computeLayout(in, error));
    EXPECT_NE(error.find("32-bit"), std::string::npos) << error;
}

// An image of the original's sizes and relocation counts, written and read.
ImageContents originalSizedContents() {
    ImageContents c;
    c.libraryTable = test::libraryTableOfSize(kOriginalTableSize);
    c.constData = constTableBytes();
    c.form.assign(0x5C00, 0);
    c.help.assign(0x34, 0);
    c.code.assign(0xA2EC, 0);
    // 13 kind 0 (the stubs' slots), 295 kind 1, 285 kind 2, 2 kind 3.
    const uint32_t counts[4] = {13, 295, 285, 2};
    uint32_t place = 0;
    for (uint32_t kind = 0; kind < 4; ++kind) {
        for (uint32_t i = 0; i < counts[kind]; ++i, place += 8) {
            c.codeRelocations.push_back(relocationEntry(place, static_cast<RelocationKind>(kind)));
        }
    }
    const uint32_t groupCounts[4] = {379, 3, 4, 2};
    for (uint32_t g = 0; g < 4; ++g) {
        for (uint32_t i = 0; i < groupCounts[g]; ++i, place += 8) c.identifierGroups.groups[g].push_back(place);
    }
    c.varSize = 0x60;
    c.entryCodeOffset = 0xA262;
    c.dllNameOffsets = {kConstKernel32, kConstOpenProcess, kConstTerminateProcess, kConstGetCurrentProcessId};
    c.reloc1StatedFourShort = true;  // as the original stated it
    return c;
}

TEST(ImageLayout, ASynthesizedImageOfTheOriginalSizesReadsBackAtTheOriginalOffsets) {
    std::string error;
    auto bytes = writeImage(originalSizedContents(), error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(bytes->size(), 0x112FCu);
    EXPECT_EQ((*bytes)[0x1CE], 0) << "the library table's closing empty text";
    EXPECT_EQ((*bytes)[0x1CD], 0) << "the last library text's NUL";
    EXPECT_NE((*bytes)[0x1CC], 0);

    ImageError readError;
    auto view = readImage(*bytes, readError);
    ASSERT_TRUE(view) << readError.message;
    struct Expected {
        const char* name;
        uint32_t header, flags, memory, file, data, relocations;
    };
    const Expected expected[] = {
        {"const", 0x1CF, 0x01, 0x151, 0x151, 0x207, 0},         {"form", 0x358, 0x01, 0x5C00, 0x5C00, 0x390, 0},
        {"help", 0x5F90, 0x01, 0x34, 0x34, 0x5FC8, 0},           {"code", 0x5FFC, 0x05, 0xA2EC, 0xA2EC, 0x6980, 595},
        {"var", 0x10C6C, 0x13, 0x60, 0, kNoFileData, 0},        {"@reloc1", 0x10CA4, 0x01, 0x61C, 0x61C, 0x10CDC, 0},
    };
    ASSERT_EQ(view->sections.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const SectionView& s = view->sections[i];
        EXPECT_EQ(s.name, expected[i].name);
        EXPECT_EQ(s.headerOffset, expected[i].header) << s.name;
        EXPECT_EQ(s.flags, expected[i].flags) << s.name;
        EXPECT_EQ(s.sizeInMemory, expected[i].memory) << s.name;
        EXPECT_EQ(s.sizeInFile, expected[i].file) << s.name;
        EXPECT_EQ(s.dataOffset, expected[i].data) << s.name;
        EXPECT_EQ(s.relocations.size(), expected[i].relocations) << s.name;
    }
    EXPECT_EQ(view->sections.back().nextOffset, kLastSection);
    EXPECT_EQ(view->libraryTableEnd, 0x1CFu);
    const uint32_t words[][2] = {{9, 0x1CF},   {10, 1},      {11, 3},       {12, 0},      {13, 0x16133},
                                 {14, 3},      {15, 0x10BE2}, {16, 0x1CF},  {17, 0x358},  {18, 0x5F90},
                                 {19, 0x5FFC}, {20, 0x10C6C}, {21, 0x1CF},  {22, 0},      {23, 0},
                                 {24, 0x113},  {25, 0x120},   {26, 0x12C},  {27, 0x13D}};
    for (const auto& w : words) EXPECT_EQ(view->header[w[0]], w[1]) << "word " << w[0];
    // The groups, one entry beyond the stated size included, are all read.
    EXPECT_EQ(view->identifierGroups.groups[0].size(), 379u);
    EXPECT_EQ(view->identifierGroups.groups[3].size(), 2u);
    EXPECT_EQ(view->identifierGroups.groups[3].back(), originalSizedContents().identifierGroups.groups[3].back());
}

TEST(ImageLayout, TheWriterStatesTheTrueReloc1SizeUnlessAskedOtherwise) {
    ImageContents c = test::smallImageContents();
    std::string error;
    auto bytes = writeImage(c, error);
    ASSERT_TRUE(bytes) << error;
    ImageError readError;
    auto view = readImage(*bytes, readError);
    ASSERT_TRUE(view) << readError.message;
    const SectionView* reloc1 = view->section("@reloc1");
    ASSERT_TRUE(reloc1);
    EXPECT_EQ(reloc1->sizeInFile, 4 * (4 + 4u));  // four groups of one entry each
    EXPECT_EQ(reloc1->dataOffset + reloc1->sizeInFile, bytes->size());
}

}  // namespace
