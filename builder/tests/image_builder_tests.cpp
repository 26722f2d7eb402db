// The image builder on small objects compiled like the program code: the
// linked routines run from the relocated image and find their constants,
// variables, identifiers and helper slots; the image's structure; and one
// message naming the symbol or section for everything it cannot place.
#include <gtest/gtest.h>

#include <cstring>

#include "builder/layout_record.h"
#include "builder/program_identifiers.h"
#include "builder/tests/builder_samples.h"
#include "builder/tests/test_image_loader.h"
#include "image/file_bytes.h"
#include "image/gbk_text.h"
#include "image/image_format.h"
#include "image/little_endian.h"
#include "runtime/const_table.h"
#include "runtime/const_table_bytes.h"

namespace image::test {

std::vector<uint8_t> testObject(const std::string& name) {
    std::string error;
    auto bytes = readFileBytes(std::string(TESSALY_TEST_OBJECT_DIR) + "/" + name + ".o", error);
    EXPECT_TRUE(bytes) << error;
    return bytes.value_or(std::vector<uint8_t>{});
}

std::optional<BuiltImage> buildTestImage(const std::vector<uint8_t>& object, std::string& error,
                                         const char* windowHandler, const char* buttonHandler) {
    ui::ControlLayout window{};
    window.id = vx::kWindowElementId;
    window.kind = vx::kKindWindow;
    window.state = ui::kVisible;
    window.text = "Test";
    window.bindings[0] = {0, windowHandler};
    window.bindingCount = 1;
    ui::ControlLayout button{};
    button.name = "按钮1";
    button.id = 0x1601003A;
    button.kind = vx::kKindButton;
    button.text = "调节";
    button.bindings[0] = {0, buttonHandler};
    button.bindingCount = 1;
    const ui::ControlLayout layout[] = {window, button};
    auto makeForm = [&](const LinkedProgram& linked, std::string& err) -> std::optional<std::vector<uint8_t>> {
        WindowExtras extras;
        extras.windowId = vx::kMainWindowId;
        extras.nameText = "Testwind";
        auto record = recordFromLayout(layout, extras, [&](std::string_view n) { return linked.symbol(n); }, err);
        if (!record) return std::nullopt;
        return writeWindowRecord(*record);
    };
    return buildImage(object, kProgramIdentifiers, makeForm, error);
}

}  // namespace image::test

namespace {

using namespace image;
using namespace image::test;

#define EXPECT_MENTIONS(message, text) EXPECT_NE((message).find(text), std::string::npos) << (message)

// The helper slots the routines reach, recording what they were given.
struct SlotLog {
    uint32_t kernelOffset = 0;
    const char* kernelText = nullptr;
    void* freed = nullptr;
};
SlotLog gLog;

uint64_t kernelSlot(uint32_t offset, const vx::ArgListHeader* args) {
    gLog.kernelOffset = offset;
    const vx::ArgRecord* a = vx::argAt(args, 0);
    gLog.kernelText = reinterpret_cast<const char*>(uint64_t(a->value) | uint64_t(a->high) << 32);
    return std::strlen(gLog.kernelText);
}
void freeSlot(void* block) { gLog.freed = block; }

struct Built {
    std::vector<uint8_t> bytes;
    ImageView view;
    uint32_t alignment = 0;
};

Built buildJoined() {
    std::string error;
    auto built = buildTestImage(testObject("joined"), error, "vxEntryRoutine", "threeHours");
    EXPECT_TRUE(built) << error;
    Built b;
    if (!built) return b;
    b.bytes = built->bytes;
    b.alignment = built->requiredAlignment;
    ImageError readError;
    auto view = readImage(b.bytes, readError);
    EXPECT_TRUE(view) << readError.message;
    if (view) b.view = *view;
    return b;
}

// Code offsets of the routines, from the object's own symbols.
uint32_t offsetOf(const char* routine) {
    std::string error;
    static const std::vector<uint8_t> bytes = testObject("joined");
    auto object = readElfObject(bytes, error);
    LinkOptions options;
    options.knownIds = kProgramIdentifiers;
    options.variablesSize = 0x74;
    auto linked = linkProgram(*object, options, error);
    EXPECT_TRUE(linked) << error;
    auto offset = linked ? linked->symbol(routine) : std::nullopt;
    EXPECT_TRUE(offset) << routine;
    return offset.value_or(0);
}

TEST(ImageBuilder, LinkedRoutinesRunFromTheRelocatedImage) {
    Built b = buildJoined();
    vx::HelperTable table{};
    table.callKernel = kernelSlot;
    table.free = freeSlot;
    std::string error;
    auto loaded = LoadedImage::load(b.bytes, table, error);
    ASSERT_TRUE(loaded) << error;

    EXPECT_EQ(loaded->routine<double()>(offsetOf("hourInMilliseconds"))(), 3600000.0);
    EXPECT_EQ(loaded->routine<double()>(offsetOf("twoHours"))(), 7200000.0);
    EXPECT_EQ(loaded->routine<double()>(offsetOf("threeHours"))(), 10800000.0) << "a call across units";
    EXPECT_EQ(loaded->routine<double(double)>(offsetOf("scaled"))(2.0), 3.0);
    EXPECT_EQ(loaded->routine<double(double)>(offsetOf("magnitude"))(-2.5), 2.5);

    const char* message = loaded->routine<const char*()>(offsetOf("orderMessage"))();
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(message), loaded->constData() + kConstOrderMessage);
    EXPECT_EQ(std::string(message), utf8ToGbk("源时间至少要比上级大1毫秒啦").value());

    EXPECT_EQ(loaded->routine<uint32_t()>(offsetOf("mainWindowId"))(), 0x52010001u);
    EXPECT_EQ(loaded->routine<uint32_t()>(offsetOf("resultBoxId"))(), 0x160119E1u);
    EXPECT_EQ(loaded->routine<uint32_t()>(offsetOf("terminateCommand"))(), 1u);
    EXPECT_EQ(loaded->routine<uint32_t()>(offsetOf("threadLibrary"))(), 5u);
    EXPECT_EQ(loaded->routine<uint32_t()>(offsetOf("editBoxKind"))(), 0x00010005u);

    loaded->routine<void(int32_t)>(offsetOf("storeCursor"))(-77);
    int32_t cursor;
    std::memcpy(&cursor, loaded->variables() + 0x20, 4);
    EXPECT_EQ(cursor, -77);

    EXPECT_EQ(loaded->routine<uint64_t(const char*)>(offsetOf("kernelTextLength"))("abcd"), 4u);
    EXPECT_EQ(gLog.kernelOffset, vx::kCmdTextLength);
    EXPECT_STREQ(gLog.kernelText, "abcd");
    int block;
    loaded->routine<void(void*)>(offsetOf("release"))(&block);
    EXPECT_EQ(gLog.freed, &block) << "a tail call through the stub";

    uint64_t own = loaded->routine<uint64_t()>(offsetOf("ownAddress"))();
    EXPECT_EQ(own, reinterpret_cast<uint64_t>(loaded->code() + offsetOf("hourInMilliseconds")));
    uint64_t throughTable = loaded->routine<uint64_t()>(offsetOf("hourRoutineThroughTable"))();
    EXPECT_EQ(throughTable, own);
}

TEST(ImageBuilder, LaysOutStubsRelocationsAndIdentifierGroups) {
    Built b = buildJoined();
    const SectionView& code = *b.view.section("code");
    const SectionView& constant = *b.view.section("const");
    // The fixed table first, then the code's own constants, aligned for SSE
    // loads when the image sits at a multiple of 16.
    ASSERT_GT(constant.data.size(), size_t(kConstTableSize));
    EXPECT_EQ(std::vector<uint8_t>(constant.data.begin(), constant.data.begin() + kConstTableSize), constTableBytes());
    EXPECT_EQ(b.alignment, 16u);

    // 13 stubs close the code: jmp *ABS32 through slot 0, 1, ... 12.
    const uint32_t stubs = static_cast<uint32_t>(code.data.size()) - 13 * kStubSize;
    std::vector<uint32_t> kind0;
    for (uint32_t k = 0; k < 13; ++k) {
        const uint8_t* stub = code.data.data() + stubs + k * kStubSize;
        EXPECT_EQ(std::memcmp(stub, kStubOpcode, 3), 0) << k;
        EXPECT_EQ(loadU32(stub + 3), 8 * k);
        kind0.push_back(relocationEntry(stubs + k * kStubSize + 3, kRelocHelperTable));
    }
    std::vector<uint32_t> kinds[4];
    for (uint32_t e : code.relocations) kinds[relocationKind(e)].push_back(e);
    EXPECT_EQ(kinds[kRelocHelperTable], kind0);
    EXPECT_TRUE(std::is_sorted(code.relocations.begin(), code.relocations.end()));
    EXPECT_GE(kinds[kRelocConst].size(), 1u);     // the order message's address
    EXPECT_EQ(kinds[kRelocVariables].size(), 1u);  // the cursor's store
    EXPECT_EQ(kinds[kRelocCode].size(), 1u);       // ownAddress
    for (uint32_t e : kinds[kRelocCode]) EXPECT_EQ(loadU32(&code.data[relocationOffset(e)]), offsetOf("hourInMilliseconds"));

    // Each group place holds exactly its identifier.
    const uint32_t expected[4] = {0, 1, 5, 0x00010005};
    const auto& groups = b.view.identifierGroups.groups;
    ASSERT_EQ(groups[0].size(), 2u);
    EXPECT_EQ(loadU32(&code.data[groups[0][0]]) == 0x52010001u || loadU32(&code.data[groups[0][0]]) == 0x160119E1u,
              true);
    for (uint32_t g = 1; g < 4; ++g) {
        ASSERT_EQ(groups[g].size(), 1u) << g;
        EXPECT_EQ(loadU32(&code.data[groups[g][0]]), expected[g]) << g;
    }
}

TEST(ImageBuilder, TheFormBindsHandlersAtTheirCodeOffsets) {
    Built b = buildJoined();
    RecordError error;
    auto record = readWindowRecord(b.view.section("form")->data, error);
    ASSERT_TRUE(record) << error.message;
    const Window* w = record->window(vx::kMainWindowId);
    ASSERT_TRUE(w);
    EXPECT_EQ(handlerFor(w->elements[0], 0), offsetOf("vxEntryRoutine"));
    EXPECT_EQ(handlerFor(*findElement(*w, 0x1601003A), 0), offsetOf("threeHours"));
    EXPECT_EQ(b.view.entryOffset(), b.view.section("code")->dataOffset + offsetOf("vxEntryRoutine"));

    std::string buildError;
    EXPECT_FALSE(buildTestImage(testObject("joined"), buildError, "vxEntryRoutine", "noSuchHandler"));
    EXPECT_MENTIONS(buildError, "noSuchHandler");
    EXPECT_MENTIONS(buildError, "按钮1");
}

TEST(ImageBuilder, NamesWhatItCannotPlace) {
    struct Case {
        const char* object;
        std::vector<const char*> mentions;
    };
    const Case cases[] = {
        {"writable_data", {"initialised writable data in section .data", "counter"}},
        {"zeroed_data", {"zero-initialised writable data in section .bss", "zeroedCounter"}},
        {"static_constructor", {".init_array", "static constructors"}},
        {"jump_table", {"section .rodata", "relocations", "read-only data cannot be relocated"}},
        {"undefined_symbol", {"undefined symbol missingRoutine", "vxEntryRoutine"}},
        {"relative_variables", {"PC-relative reference to __vx_var"}},
        {"unknown_id", {"unknown window or control id 0x16019999", "__vx_id_16019999"}},
        {"no_entry", {"vxEntryRoutine is not defined"}},
        {"absolute64", {"64-bit absolute reference to vxConstData"}},
        {"thread_local_data", {"thread-local data"}},
        {"defines_slot", {"the program defines vxFree"}},
        {"table_reference", {"cannot rewrite the reference to vxConstData", "only call, jmp and mov"}},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(buildTestImage(testObject(c.object), error)) << c.object;
        for (const char* text : c.mentions) EXPECT_MENTIONS(error, text) << " for " << c.object;
    }
}

}  // namespace
