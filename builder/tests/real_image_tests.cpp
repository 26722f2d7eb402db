// The program image the build made (build/tessaly.img): its header, library
// table, section chain, const table, relocations, identifier groups and
// window record, checked against each other and against the program object
// it was linked from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "builder/program_identifiers.h"
#include "builder/program_linker.h"
#include "image/file_bytes.h"
#include "image/image_reader.h"
#include "image/library_table.h"
#include "image/little_endian.h"
#include "image/window_record.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"
#include "runtime/program_variables.h"
#include "ui/handler_names.h"

namespace {

using namespace image;

class RealImage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        auto bytes = readFileBytes(TESSALY_IMAGE_PATH, error);
        ASSERT_TRUE(bytes) << error;
        bytes_ = new std::vector<uint8_t>(std::move(*bytes));
        ImageError readError;
        auto view = readImage(*bytes_, readError);
        ASSERT_TRUE(view) << readError.message;
        view_ = new ImageView(std::move(*view));
    }
    static void TearDownTestSuite() {
        delete view_;
        delete bytes_;
    }
    const ImageView& view() const { return *view_; }
    const SectionView& section(const char* name) const {
        const SectionView* s = view_->section(name);
        EXPECT_TRUE(s) << name;
        return *s;
    }

    static std::vector<uint8_t>* bytes_;
    static ImageView* view_;
};
std::vector<uint8_t>* RealImage::bytes_ = nullptr;
ImageView* RealImage::view_ = nullptr;

TEST_F(RealImage, TheChainVisitsTheSixSectionsInOrderWithoutGaps) {
    ASSERT_TRUE(view_);
    const char* names[] = {"const", "form", "help", "code", "var", "@reloc1"};
    const uint32_t flags[] = {0x01, 0x01, 0x01, 0x05, 0x13, 0x01};
    ASSERT_EQ(view().sections.size(), 6u);
    EXPECT_EQ(view().header[kWordFirstSection], view().libraryTableEnd);
    EXPECT_EQ((*bytes_)[view().libraryTableEnd - 1], 0) << "the closing empty text";
    uint32_t at = view().header[kWordFirstSection];
    for (size_t i = 0; i < 6; ++i) {
        const SectionView& s = view().sections[i];
        EXPECT_EQ(s.name, names[i]);
        EXPECT_EQ(s.flags, flags[i]) << s.name;
        EXPECT_EQ(s.headerOffset, at) << s.name;
        uint32_t headerEnd = at + 56 + 4 * static_cast<uint32_t>(s.relocations.size());
        if (s.name == "var") {
            EXPECT_EQ(s.dataOffset, kNoFileData);
            EXPECT_EQ(s.sizeInFile, 0u);
            EXPECT_EQ(s.sizeInMemory, prog::kProgramVariablesSize);
            at = headerEnd;
        } else {
            EXPECT_EQ(s.dataOffset, headerEnd) << s.name;
            EXPECT_EQ(s.sizeInMemory, s.sizeInFile) << s.name;
            at = headerEnd + s.sizeInFile;
        }
        EXPECT_EQ(s.nextOffset, i + 1 < 6 ? at : kLastSection) << s.name;
        if (s.name != "code") {
            EXPECT_TRUE(s.relocations.empty()) << s.name;
        }
    }
    EXPECT_EQ(at, bytes_->size()) << "@reloc1 states its true size and ends the image";
    const SectionView& help = section("help");
    EXPECT_EQ(help.data.size(), 52u);
    EXPECT_TRUE(std::all_of(help.data.begin(), help.data.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(RealImage, HeaderWordsHoldTheStoredValuesAndTheResultingOffsets) {
    ASSERT_TRUE(view_);
    const auto& h = view().header;
    for (uint32_t i = 1; i <= 8; ++i) EXPECT_EQ(h[i], 0u) << i;
    EXPECT_EQ((std::array{h[10], h[11], h[12], h[13], h[14]}), (std::array<uint32_t, 5>{1, 3, 0, 0x16133, 3}));
    EXPECT_EQ(h[22], 0u);
    EXPECT_EQ(h[23], 0u);
    EXPECT_EQ(h[16], section("const").headerOffset);
    EXPECT_EQ(h[17], section("form").headerOffset);
    EXPECT_EQ(h[18], section("help").headerOffset);
    EXPECT_EQ(h[19], section("code").headerOffset);
    EXPECT_EQ(h[20], section("var").headerOffset);
    EXPECT_EQ(h[21], section("const").headerOffset);
    EXPECT_EQ((std::array{h[24], h[25], h[26], h[27]}), (std::array<uint32_t, 4>{0x113, 0x120, 0x12C, 0x13D}));
}

TEST_F(RealImage, LibrariesAreTheSevenInOrderWithTheirVersions) {
    ASSERT_TRUE(view_);
    const char* names[] = {"vexrun", "plintor", "dravolt", "ulmix", "stylon", "Ravline", "synvox"};
    const uint32_t majors[] = {5, 1, 2, 3, 2, 2, 1};
    ASSERT_EQ(view().libraries.size(), 7u);
    std::set<std::string> identifiers;
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(view().libraries[i].name, names[i]);
        EXPECT_EQ(view().libraries[i].major, majors[i]);
        EXPECT_EQ(view().libraries[i].minor, 0u);
        EXPECT_TRUE(isLibraryIdentifier(view().libraries[i].identifier));
        EXPECT_FALSE(view().libraries[i].displayName.empty());
        identifiers.insert(view().libraries[i].identifier);
    }
    EXPECT_EQ(identifiers.size(), 7u);
}

TEST_F(RealImage, ConstDataBeginsWithTheFixedTable) {
    ASSERT_TRUE(view_);
    const SectionView& c = section("const");
    ASSERT_GE(c.data.size(), size_t(kConstTableSize));
    EXPECT_EQ(std::vector<uint8_t>(c.data.begin(), c.data.begin() + kConstTableSize), constTableBytes());
}

TEST_F(RealImage, RelocationsAreSortedAndEveryValueLiesInsideItsSection) {
    ASSERT_TRUE(view_);
    const SectionView& code = section("code");
    EXPECT_TRUE(std::adjacent_find(code.relocations.begin(), code.relocations.end(),
                                   [](uint32_t a, uint32_t b) { return a >= b; }) == code.relocations.end());
    const uint64_t limits[4] = {13 * 8, section("const").data.size(), section("var").sizeInMemory, code.data.size()};
    std::vector<uint32_t> slots;
    for (uint32_t e : code.relocations) {
        uint32_t value = loadU32(&code.data[relocationOffset(e)]);
        ASSERT_LE(relocationKind(e), 3u);
        EXPECT_LT(value, limits[relocationKind(e)]) << "entry " << e;
        if (relocationKind(e) == kRelocHelperTable) {
            slots.push_back(value);
            // Each sits in a stub among the last 13 x 7 bytes of the code.
            uint32_t stub = relocationOffset(e) - 3;
            EXPECT_GE(stub, code.data.size() - 13 * kStubSize);
            EXPECT_EQ(std::memcmp(&code.data[stub], kStubOpcode, 3), 0);
        }
    }
    std::vector<uint32_t> expected;
    for (uint32_t k = 0; k < 13; ++k) expected.push_back(8 * k);
    EXPECT_EQ(slots, expected);
}

TEST_F(RealImage, EachIdentifierGroupPlaceHoldsItsIdentifier) {
    ASSERT_TRUE(view_);
    const SectionView& code = section("code");
    std::set<uint32_t> relocated;
    for (uint32_t e : code.relocations) relocated.insert(relocationOffset(e));
    const auto& groups = view().identifierGroups.groups;
    for (uint32_t g = 0; g < 4; ++g) {
        EXPECT_TRUE(std::is_sorted(groups[g].begin(), groups[g].end())) << g;
        for (uint32_t place : groups[g]) {
            uint32_t v = loadU32(&code.data[place]);
            EXPECT_FALSE(relocated.count(place)) << "group " << g << " place " << place;
            switch (g) {
                case kGroupWindowAndControlIds:
                    EXPECT_NE(std::find(kProgramIdentifiers.begin(), kProgramIdentifiers.end(), v),
                              kProgramIdentifiers.end())
                        << std::hex << v;
                    break;
                case kGroupDllCommandIndices: EXPECT_LT(v, 3u); break;
                case kGroupLibraryIndices: EXPECT_TRUE(v >= 1 && v <= 6) << v; break;
                case kGroupKindWords: EXPECT_TRUE(isKnownKindWord(v)) << std::hex << v; break;
            }
        }
    }
    EXPECT_FALSE(groups[kGroupWindowAndControlIds].empty()) << "the entry routine loads the main window";
}

TEST_F(RealImage, EntryAndHandlersAreTheLinkedRoutines) {
    ASSERT_TRUE(view_);
    std::string error;
    auto objectBytes = readFileBytes(TESSALY_PROGRAM_OBJECT_PATH, error);
    ASSERT_TRUE(objectBytes) << error;
    auto object = readElfObject(*objectBytes, error);
    ASSERT_TRUE(object) << error;
    LinkOptions options;
    options.constDataImageOffset = section("const").dataOffset;
    options.knownIds = kProgramIdentifiers;
    options.variablesSize = prog::kProgramVariablesSize;
    auto linked = linkProgram(*object, options, error);
    ASSERT_TRUE(linked) << error;
    EXPECT_EQ(view().entryOffset(), section("code").dataOffset + linked->symbol("vxEntryRoutine").value_or(~0u));

    RecordError recordError;
    auto record = readWindowRecord(section("form").data, recordError);
    ASSERT_TRUE(record) << recordError.message;
    const Window* w = record->window(vx::kMainWindowId);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->elements.size(), 55u);
    std::set<uint32_t> handlerOffsets;
    for (std::string_view name : ui::handler::kAll) {
        auto offset = linked->symbol(name);
        ASSERT_TRUE(offset) << name;
        handlerOffsets.insert(*offset);
    }
    size_t bindings = 0;
    for (const Element& e : w->elements) {
        for (const EventBinding& b : e.events) {
            ++bindings;
            EXPECT_TRUE(handlerOffsets.count(b.handlerOffset)) << std::hex << e.id << " event " << b.event;
        }
    }
    EXPECT_EQ(bindings, 22u);
    EXPECT_EQ(writeWindowRecord(*record), std::vector<uint8_t>(section("form").data.begin(), section("form").data.end()));
}

}  // namespace
