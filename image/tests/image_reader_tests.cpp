// Reading a program image: what a valid one yields, and one clear message
// naming what and where for each kind of damage, never a read outside the
// bytes given.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "image/image_reader.h"
#include "image/little_endian.h"
#include "image/tests/image_samples.h"

namespace {

using namespace image;
using test::smallImage;

const SectionView& sectionOf(const ImageView& v, const char* name) {
    const SectionView* s = v.section(name);
    EXPECT_TRUE(s) << name;
    return *s;
}

ImageView readValid(const std::vector<uint8_t>& bytes) {
    ImageError error;
    auto v = readImage(bytes, error);
    EXPECT_TRUE(v) << error.message;
    return v.value_or(ImageView{});
}

// Reads `bytes` expecting failure; returns the message.
std::string failureOf(const std::vector<uint8_t>& bytes) {
    ImageError error;
    auto v = readImage(bytes, error);
    EXPECT_FALSE(v.has_value());
    EXPECT_FALSE(error.message.empty());
    return error.message;
}

#define EXPECT_MENTIONS(message, text) EXPECT_NE((message).find(text), std::string::npos) << (message)

TEST(ImageReader, ReadsTheHeaderLibrariesChainRelocationsAndGroups) {
    const auto bytes = smallImage();
    ImageView v = readValid(bytes);
    ASSERT_EQ(v.libraries.size(), 7u);
    EXPECT_EQ(v.libraries[0].name, "vexrun");
    EXPECT_EQ(v.libraries[0].major, 5u);
    EXPECT_EQ(v.libraries[5].name, "Ravline");
    EXPECT_EQ(v.libraries[6].name, "synvox");
    EXPECT_EQ(v.libraries[3].major, 3u);
    std::vector<std::string> names;
    for (const auto& s : v.sections) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"const", "form", "help", "code", "var", "@reloc1"}));
    const SectionView& code = sectionOf(v, "code");
    EXPECT_EQ(code.relocations.size(), 4u);
    EXPECT_EQ(v.entryOffset(), code.dataOffset + test::kSmallEntry);
    EXPECT_EQ(v.identifierGroups.groups[2], std::vector<uint32_t>{40});
    EXPECT_EQ(v.section("nothing"), nullptr);
}

TEST(ImageReader, NamesAShortHeaderAndAWrongMagic) {
    auto bytes = smallImage();
    EXPECT_MENTIONS(failureOf(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20)), "header needs 112 bytes");
    bytes[1] = 'Y';
    EXPECT_MENTIONS(failureOf(bytes), "wrong magic at offset 0");
    EXPECT_MENTIONS(failureOf({}), "header");
}

TEST(ImageReader, NamesMalformedLibraryEntries) {
    const auto good = smallImage();
    // Remove the CR between name and identifier of the first entry.
    auto bytes = good;
    bytes[kLibraryTableOffset + 6] = 'x';
    EXPECT_MENTIONS(failureOf(bytes), "library table: entry 0 at offset 0x70: expected 5 fields");
    // A non-hex digit in the second entry's identifier.
    bytes = good;
    size_t second = kLibraryTableOffset + std::string(reinterpret_cast<const char*>(&good[kLibraryTableOffset])).size() + 1;
    bytes[second + 9] = 'Z';
    EXPECT_MENTIONS(failureOf(bytes), "entry 1");
    EXPECT_MENTIONS(failureOf(bytes), "identifier");
    // A version that is not a number.
    bytes = good;
    bytes[second + 8 + 38 + 1] = 'v';  // the major version of "plintor"
    EXPECT_MENTIONS(failureOf(bytes), "version");
    // A table that never closes: every byte from the table on is non-zero.
    bytes = good;
    bytes.resize(kLibraryTableOffset + 40);
    EXPECT_MENTIONS(failureOf(bytes), "missing NUL");
}

TEST(ImageReader, NamesAChainThatRunsPastTheDataOrBackwards) {
    const auto good = smallImage();
    ImageView v = readValid(good);
    const SectionView& form = sectionOf(v, "form");
    const SectionView& help = sectionOf(v, "help");

    auto bytes = good;
    storeU32(bytes.data() + 4 * kWordFirstSection, static_cast<uint32_t>(good.size() - 10));
    EXPECT_MENTIONS(failureOf(bytes), "56-byte header runs past the end");

    bytes = good;
    storeU32(bytes.data() + 4 * kWordFirstSection, 0x40);
    EXPECT_MENTIONS(failureOf(bytes), "lies inside the header or the library table");

    // "help" pointing back at "form": a loop.
    bytes = good;
    storeU32(bytes.data() + help.headerOffset + 4, form.headerOffset);
    EXPECT_MENTIONS(failureOf(bytes), "section \"help\"");
    EXPECT_MENTIONS(failureOf(bytes), "does not lie behind this section");

    // The form's size in file running past the image.
    bytes = good;
    storeU32(bytes.data() + form.headerOffset + 40, 0x7FFFFFFF);
    EXPECT_MENTIONS(failureOf(bytes), "section \"form\"");
    EXPECT_MENTIONS(failureOf(bytes), "runs past the end of the image");

    // A header size that disagrees with the relocation count.
    bytes = good;
    storeU32(bytes.data() + form.headerOffset, 60);
    EXPECT_MENTIONS(failureOf(bytes), "header size 0x3C does not match");

    // A relocation count whose entries run past the image.
    bytes = good;
    const SectionView& code = sectionOf(v, "code");
    storeU32(bytes.data() + code.headerOffset + 48, 0x10000000);
    storeU32(bytes.data() + code.headerOffset, 56 + 4 * 0x10000000u);
    EXPECT_MENTIONS(failureOf(bytes), "relocation entries run past the end");

    // "var" claiming file bytes without a data offset.
    bytes = good;
    storeU32(bytes.data() + sectionOf(v, "var").headerOffset + 40, 4);
    EXPECT_MENTIONS(failureOf(bytes), "no file data");
}

TEST(ImageReader, NamesRelocationsOutsideTheCodeOrOfUnknownKind) {
    const auto good = smallImage();
    ImageView v = readValid(good);
    const SectionView& code = sectionOf(v, "code");
    uint32_t firstEntry = code.headerOffset + 56;

    auto bytes = good;
    storeU32(bytes.data() + firstEntry, relocationEntry(test::kSmallCodeSize - 2, kRelocHelperTable));
    EXPECT_MENTIONS(failureOf(bytes), "code relocation 0");
    EXPECT_MENTIONS(failureOf(bytes), "lies outside the code");

    bytes = good;
    storeU32(bytes.data() + firstEntry, (8u << 3) | 5u);
    EXPECT_MENTIONS(failureOf(bytes), "unknown relocation kind 5");

    // Values outside their sections: kind 1 past the const data, kind 0 not a
    // slot boundary, kind 2 past the variables.
    bytes = good;
    storeU32(bytes.data() + code.dataOffset + 8, 0x151);
    EXPECT_MENTIONS(failureOf(bytes), "value 0x151 lies outside the const data");
    bytes = good;
    storeU32(bytes.data() + code.dataOffset + 0, 0x1C);
    EXPECT_MENTIONS(failureOf(bytes), "not a slot boundary");
    bytes = good;
    storeU32(bytes.data() + code.dataOffset + 16, 0x74);
    EXPECT_MENTIONS(failureOf(bytes), "lies outside the variables");
}

TEST(ImageReader, NamesBrokenIdentifierGroups) {
    const auto good = smallImage();
    ImageView v = readValid(good);
    const SectionView& reloc1 = sectionOf(v, "@reloc1");

    auto bytes = good;
    storeU32(bytes.data() + reloc1.dataOffset, 1000);
    EXPECT_MENTIONS(failureOf(bytes), "group 0 count");

    bytes = good;
    storeU32(bytes.data() + reloc1.dataOffset + 4, test::kSmallCodeSize);
    EXPECT_MENTIONS(failureOf(bytes), "group 0 entry 0");
    EXPECT_MENTIONS(failureOf(bytes), "lies outside the code");

    // Groups that take less than the stated size (group 3 emptied): neither
    // the true size nor the original's 4-bytes-short form.
    bytes = good;
    storeU32(bytes.data() + reloc1.dataOffset + 24, 0);
    EXPECT_MENTIONS(failureOf(bytes), "its groups take 0x1C bytes, but it states 0x20");

    // Stated 4 bytes short, as the original did: accepted.
    bytes = good;
    storeU32(bytes.data() + reloc1.headerOffset + 40, reloc1.sizeInFile - 4);
    storeU32(bytes.data() + reloc1.headerOffset + 36, reloc1.sizeInFile - 4);
    ImageView shortForm = readValid(bytes);
    EXPECT_EQ(shortForm.identifierGroups.groups[3], std::vector<uint32_t>{44});
}

TEST(ImageReader, NamesHeaderWordsThatDisagreeWithTheChain) {
    const auto good = smallImage();
    ImageView v = readValid(good);

    auto bytes = good;
    storeU32(bytes.data() + 4 * kWordFormSection, sectionOf(v, "help").headerOffset);
    EXPECT_MENTIONS(failureOf(bytes), "header word 17");

    bytes = good;
    storeU32(bytes.data() + 4 * kWordEntryRoutine, sectionOf(v, "code").dataOffset + test::kSmallCodeSize);
    EXPECT_MENTIONS(failureOf(bytes), "header word 15");

    bytes = good;
    storeU32(bytes.data() + 4 * kWordDllFileName, 0x151);
    EXPECT_MENTIONS(failureOf(bytes), "header word 24");

    bytes = good;
    storeU32(bytes.data() + 4 * kWordDllNamesSection, 12345);
    EXPECT_MENTIONS(failureOf(bytes), "header word 21");

    // A section of another name in place of "help".
    bytes = good;
    bytes[sectionOf(v, "help").headerOffset + 12] = 'k';
    EXPECT_MENTIONS(failureOf(bytes), "no \"help\" section");

    // Two sections of one name.
    bytes = good;
    std::memcpy(bytes.data() + sectionOf(v, "help").headerOffset + 12, "form", 5);
    EXPECT_MENTIONS(failureOf(bytes), "appears twice");

    // Relocation entries on a section other than "code".
    bytes = good;
    const SectionView& help = sectionOf(v, "help");
    storeU32(bytes.data() + help.headerOffset + 48, 1);
    storeU32(bytes.data() + help.headerOffset, 60);
    storeU32(bytes.data() + help.headerOffset + 44, help.dataOffset + 4);
    storeU32(bytes.data() + help.headerOffset + 40, help.sizeInFile - 4);
    EXPECT_MENTIONS(failureOf(bytes), "only \"code\" may have any");
}

// Every shortened image and many randomly damaged ones are read without a
// single read outside the bytes (the sanitized build checks that); every
// failure carries a message.
TEST(ImageReader, SurvivesEveryTruncationAndRandomDamage) {
    const auto good = smallImage();
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        ImageError error;
        EXPECT_FALSE(readImage(cut, error)) << "length " << n;
        EXPECT_FALSE(error.message.empty()) << "length " << n;
    }
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        for (int k = 0; k < 3; ++k) {
            size_t at = random() % bytes.size();
            bytes[at] = static_cast<uint8_t>(random());
        }
        ImageError error;
        auto v = readImage(bytes, error);
        if (!v) {
            EXPECT_FALSE(error.message.empty());
        }
    }
}

}  // namespace
