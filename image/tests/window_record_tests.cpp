// The window record: reading what the writer wrote gives the same model and
// writing it again the same bytes; the layout of the common part; lookups;
// and one message naming element, field and offset for a malformed record.
#include <gtest/gtest.h>

#include <string>

#include "image/little_endian.h"
#include "image/tests/record_samples.h"
#include "image/window_record.h"

namespace {

using namespace image;
using test::gbkOf;
using test::sampleRecord;

WindowRecord readOk(const std::vector<uint8_t>& bytes) {
    RecordError error;
    auto r = readWindowRecord(bytes, error);
    EXPECT_TRUE(r) << error.message;
    return r.value_or(WindowRecord{});
}

std::string failureOf(const std::vector<uint8_t>& bytes) {
    RecordError error;
    auto r = readWindowRecord(bytes, error);
    EXPECT_FALSE(r.has_value());
    EXPECT_FALSE(error.message.empty());
    return error.message;
}

#define EXPECT_MENTIONS(message, text) EXPECT_NE((message).find(text), std::string::npos) << (message)

// Positions in the written bytes of a one-window record.
struct Positions {
    size_t bodyLengthField;  // S
    size_t idTable;
    size_t offsetTable;
    size_t area;
    uint32_t count;
};

Positions positionsOf(const std::vector<uint8_t>& bytes) {
    Positions p;
    size_t body = 4 + 8;
    uint32_t n1 = loadU32(&bytes[body + 8]);
    uint32_t n2 = loadU32(&bytes[body + 12 + n1]);
    size_t countField = body + 16 + n1 + n2;
    p.count = loadU32(&bytes[countField]);
    p.bodyLengthField = countField + 4;
    p.idTable = p.bodyLengthField + 4;
    p.offsetTable = p.idTable + 4 * p.count;
    p.area = p.offsetTable + 4 * p.count;
    return p;
}

size_t elementStart(const std::vector<uint8_t>& bytes, const Positions& p, uint32_t i) {
    return p.area + loadU32(&bytes[p.offsetTable + 4 * i]);
}

TEST(WindowRecord, ReadingWhatWasWrittenGivesTheModelAndTheSameBytesAgain) {
    const WindowRecord original = sampleRecord();
    const auto bytes = writeWindowRecord(original);
    const WindowRecord read = readOk(bytes);
    ASSERT_EQ(read.windows.size(), 1u);
    const Window& w = read.windows[0];
    EXPECT_EQ(w.id, vx::kMainWindowId);
    EXPECT_EQ(w.furtherValue, 0x01EF63E0u);
    EXPECT_EQ(w.headerValue0, 0x00216A10u);
    EXPECT_EQ(w.headerValue1, 0x19010006u);
    ASSERT_EQ(w.elements.size(), original.windows[0].elements.size());
    for (size_t i = 0; i < w.elements.size(); ++i) {
        const Element& a = original.windows[0].elements[i];
        const Element& b = w.elements[i];
        EXPECT_EQ(b.id, a.id) << i;
        EXPECT_EQ(b.kind, a.kind) << i;
        EXPECT_EQ(b.name, a.name) << i;
        EXPECT_EQ(b.events, a.events) << i;
        EXPECT_EQ(b.extension, a.extension) << i;
        EXPECT_EQ(b.reserved1, a.reserved1) << i;
        EXPECT_EQ(b.reserved7, a.reserved7) << i;
        EXPECT_EQ(b.secondText, a.secondText) << i;
        EXPECT_EQ(b.thirdText, a.thirdText) << i;
        EXPECT_EQ(b.byteStringA, a.byteStringA) << i;
        EXPECT_EQ(b.byteStringB, a.byteStringB) << i;
        EXPECT_EQ((std::array{b.reserved2, b.reserved3, b.reserved4, b.reserved5, b.reserved6}),
                  (std::array{a.reserved2, a.reserved3, a.reserved4, a.reserved5, a.reserved6}))
            << i;
        EXPECT_EQ((std::array{b.left, b.top, b.width, b.height}), (std::array{a.left, a.top, a.width, a.height}));
        EXPECT_EQ(b.stateFlags, a.stateFlags) << i;
    }
    EXPECT_EQ(writeWindowRecord(read), bytes);
}

TEST(WindowRecord, MaskedBoxFaceNameBytesAfterTheNulPassThrough) {
    const auto bytes = writeWindowRecord(sampleRecord());
    const WindowRecord read = readOk(bytes);
    const Element* masked = findElement(read.windows[0], 0x160119CA);
    ASSERT_TRUE(masked);
    auto settings = decodeMaskedEditSettings(masked->extension);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->font.faceName, "MS Sans Serif");
    size_t after = std::string("MS Sans Serif").size() + 1;
    EXPECT_NE(settings->font.faceField[after], 0) << "the sample holds bytes after the NUL";
    // Re-emitting the decoded settings keeps them; a new block zeroes them.
    EXPECT_EQ(encodeMaskedEditSettings(*settings), masked->extension);
    MaskedEditSettings fresh = test::sampleMaskedSettings();
    auto block = encodeMaskedEditSettings(fresh);
    for (size_t i = test::faceFieldOffset(fresh) + after; i < test::faceFieldOffset(fresh) + 32; ++i) {
        EXPECT_EQ(block[i], 0) << i;
    }
    EXPECT_EQ(writeWindowRecord(read), bytes);
}

TEST(WindowRecord, ElementsLieBackToBackAndTheLastEndsTheSection) {
    const auto bytes = writeWindowRecord(sampleRecord());
    Positions p = positionsOf(bytes);
    ASSERT_EQ(p.count, 7u);
    EXPECT_EQ(loadU32(&bytes[0]), 8u);  // one window
    EXPECT_EQ(loadU32(&bytes[p.offsetTable]), 0u);
    for (uint32_t i = 0; i < p.count; ++i) {
        size_t start = elementStart(bytes, p, i);
        size_t end = start + 4 + loadU32(&bytes[start]);
        if (i + 1 < p.count) {
            EXPECT_EQ(end, elementStart(bytes, p, i + 1)) << i;
        } else {
            EXPECT_EQ(end, bytes.size());
        }
    }
    // S counts everything after its own field.
    EXPECT_EQ(loadU32(&bytes[p.bodyLengthField]), bytes.size() - p.bodyLengthField - 4);
}

TEST(WindowRecord, TheCommonPartIsLaidOutFieldByField) {
    const auto bytes = writeWindowRecord(sampleRecord());
    Positions p = positionsOf(bytes);
    // The window element: length, kind, 20 reserved bytes, then its empty
    // name and the empty second text, a zero word, and its position.
    size_t w = elementStart(bytes, p, 0);
    EXPECT_EQ(loadU32(&bytes[w + 4]), vx::kKindWindow);
    EXPECT_EQ(bytes[w + 28], 0) << "empty name: one NUL";
    EXPECT_EQ(bytes[w + 29], 0) << "empty second text";
    EXPECT_EQ(loadU32(&bytes[w + 30]), 0u);
    EXPECT_EQ(loadU32(&bytes[w + 34]), 50u);
    EXPECT_EQ(loadU32(&bytes[w + 46]), 607u);
    // Byte string A empty, B four zero bytes, empty third text, zero word,
    // state flags, zero word, two bindings.
    size_t after = w + 50 + 8;
    EXPECT_EQ(loadU32(&bytes[after]), 0u);
    EXPECT_EQ(loadU32(&bytes[after + 4]), 4u);
    EXPECT_EQ(loadU32(&bytes[after + 8]), 0u);
    EXPECT_EQ(bytes[after + 12], 0);
    EXPECT_EQ(loadU32(&bytes[after + 17]), 1u) << "state flags";
    EXPECT_EQ(loadU32(&bytes[after + 25]), 2u) << "event count";
    EXPECT_EQ(loadU32(&bytes[after + 29]), 0u);
    EXPECT_EQ(loadU32(&bytes[after + 33]), 0x267Bu);
    EXPECT_EQ(loadU32(&bytes[after + 37]), 2u);

    // The check box: no bindings, so the 20 reserved bytes follow the zero
    // count directly and end the element (its block is empty).
    size_t c = elementStart(bytes, p, 1);
    size_t name = gbkOf("选择框5").size();
    size_t count = c + 28 + name + 1 + 1 + 4 + 16 + 8 + 4 + 8 + 1 + 12;
    EXPECT_EQ(loadU32(&bytes[count]), 0u);
    EXPECT_EQ(count + 4 + 20, c + 4 + loadU32(&bytes[c]));

    // The masked box's bindings: -9 then -3, stored in two's complement.
    size_t m = elementStart(bytes, p, 3);
    size_t mcount = m + 28 + gbkOf("掩码编辑框8").size() + 1 + 1 + 4 + 16 + 8 + 4 + 8 + 1 + 12;
    EXPECT_EQ(loadU32(&bytes[mcount]), 2u);
    EXPECT_EQ(loadU32(&bytes[mcount + 4]), 0xFFFFFFF7u);
    EXPECT_EQ(loadU32(&bytes[mcount + 12]), 0xFFFFFFFDu);
}

TEST(WindowRecord, EmptyBlocksNegativeEventsAndGbkCountsReadBack) {
    const WindowRecord read = readOk(writeWindowRecord(sampleRecord()));
    const Window& w = read.windows[0];
    EXPECT_EQ(w.elements[0].name, "");
    const Element* ratio = findElement(w, 0x160101C0);
    ASSERT_TRUE(ratio);
    EXPECT_TRUE(ratio->extension.empty());
    auto check = decodeCheckBoxSettings(ratio->extension);
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->emptyBlock);
    EXPECT_FALSE(check->checked);
    EXPECT_EQ(check->caption, "");
    EXPECT_TRUE(encodeCheckBoxSettings(*check).empty());
    EXPECT_TRUE(findElement(w, 0x160100A8)->extension.empty());

    const Element* masked = findElement(w, 0x160119CA);
    EXPECT_EQ(masked->events[0].event, -9);
    EXPECT_EQ(masked->events[1].event, -3);

    const Element* hint = findElement(w, 0x160101CA);
    auto label = decodeLabelSettings(hint->extension);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->caption.size(), 24u) << "12 Chinese characters in GBK";
    EXPECT_EQ(loadU32(&hint->extension[76]), 24u);
    EXPECT_EQ(label->caption, gbkOf("选中代表对应段使用自定比"));
}

TEST(WindowRecord, LooksUpWindowsElementsAndHandlers) {
    const WindowRecord r = sampleRecord();
    EXPECT_EQ(r.window(0x52010002), nullptr);
    const Window* w = r.window(vx::kMainWindowId);
    ASSERT_TRUE(w);
    EXPECT_EQ(findElement(*w, 0x16010001), nullptr);
    const Element* window = findElement(*w, vx::kWindowElementId);
    ASSERT_TRUE(window);
    EXPECT_EQ(handlerFor(*window, 0), 0x267Bu);
    EXPECT_EQ(handlerFor(*window, 2), 0x2887u);
    EXPECT_EQ(handlerFor(*window, 1), std::nullopt);
    const Element* source = findElement(*w, 0x16010038);
    EXPECT_EQ(handlerFor(*source, -3), 0u) << "offset 0 is a valid binding";
    EXPECT_EQ(handlerFor(*source, -9), std::nullopt);
    EXPECT_EQ(handlerFor(*findElement(*w, 0x160119CA), -3), 0xA01Bu);
}

TEST(WindowRecord, NamesWhatIsWrongAndWhere) {
    const auto good = writeWindowRecord(sampleRecord());
    Positions p = positionsOf(good);

    auto bytes = good;
    storeU32(&bytes[0], 7);
    EXPECT_MENTIONS(failureOf(bytes), "window table length");

    // An unknown kind word in element 2.
    bytes = good;
    storeU32(&bytes[elementStart(good, p, 2) + 4], 0x00010099);
    std::string m = failureOf(bytes);
    EXPECT_MENTIONS(m, "element 2 (id 0x160100A8)");
    EXPECT_MENTIONS(m, "unknown kind word 0x00010099");

    // Element 0 too short to hold its name's NUL.
    bytes = good;
    storeU32(&bytes[elementStart(good, p, 0)], 24);
    m = failureOf(bytes);
    EXPECT_MENTIONS(m, "element 0");
    EXPECT_MENTIONS(m, "name at offset");
    EXPECT_MENTIONS(m, "missing NUL");

    // An offset that leaves a gap.
    bytes = good;
    storeU32(&bytes[p.offsetTable + 4], loadU32(&good[p.offsetTable + 4]) + 1);
    EXPECT_MENTIONS(failureOf(bytes), "element offset");

    // A body length past the section, and one shorter than the elements.
    bytes = good;
    storeU32(&bytes[p.bodyLengthField], loadU32(&good[p.bodyLengthField]) + 1);
    EXPECT_MENTIONS(failureOf(bytes), "body length");
    bytes = good;
    storeU32(&bytes[p.bodyLengthField], loadU32(&good[p.bodyLengthField]) - 1);
    bytes.pop_back();
    EXPECT_MENTIONS(failureOf(bytes), "element 6");

    // Bytes behind the last body.
    bytes = good;
    bytes.push_back(0);
    EXPECT_MENTIONS(failureOf(bytes), "1 bytes follow the last window body");

    // More elements than the body can hold.
    bytes = good;
    storeU32(&bytes[p.bodyLengthField - 4], 0x10000000);
    EXPECT_MENTIONS(failureOf(bytes), "do not fit the body length");

    // An event count running past the element.
    bytes = good;
    size_t m3 = elementStart(good, p, 3);
    size_t mcount = m3 + 28 + gbkOf("掩码编辑框8").size() + 1 + 1 + 4 + 16 + 8 + 4 + 8 + 1 + 12;
    storeU32(&bytes[mcount], 0x20000000);
    EXPECT_MENTIONS(failureOf(bytes), "event count");

    // A counted string whose count runs past the element.
    bytes = good;
    storeU32(&bytes[m3 + 28 + gbkOf("掩码编辑框8").size() + 1 + 1 + 4 + 16 + 8], 0xFFFFFFF0);
    EXPECT_MENTIONS(failureOf(bytes), "byte string A");

    // Element 0 must be the window.
    bytes = good;
    storeU32(&bytes[elementStart(good, p, 0) + 4], vx::kKindLabel);
    EXPECT_MENTIONS(failureOf(bytes), "element 0 has kind word 0x0001000A");
}

TEST(WindowRecord, RefusesGeometryNoWindowCanHave) {
    // Each case: the element, the field changed, the value; the message names
    // the control (as UTF-8) and the field.
    struct Case {
        size_t element;
        int32_t Element::*field;
        int32_t value;
        const char* who;
        const char* what;
    };
    const Case cases[] = {
        {3, &Element::width, 6000000, "control 掩码编辑框8", "width at offset"},
        {0, &Element::left, 40000, "the window", "left at offset"},
        {2, &Element::top, -40000, "control ", "top at offset"},
        {3, &Element::height, -32768, "control 掩码编辑框8", "height"},
        {3, &Element::left, 30000, "control 掩码编辑框8", "right edge (left + width)"},
    };
    for (const Case& c : cases) {
        WindowRecord record = sampleRecord();
        Element& e = record.windows[0].elements[c.element];
        if (c.field == &Element::left && c.value == 30000) e.width = 2800;
        e.*c.field = c.value;
        const std::string m = failureOf(writeWindowRecord(record));
        EXPECT_MENTIONS(m, c.who);
        EXPECT_MENTIONS(m, c.what);
        EXPECT_MENTIONS(m, "beyond the 32767");
    }
    // The edge of what a window can have is still read.
    WindowRecord record = sampleRecord();
    record.windows[0].elements[3].left = 32767 - record.windows[0].elements[3].width;
    record.windows[0].elements[0].top = -32767;
    EXPECT_EQ(readOk(writeWindowRecord(record)).windows[0].elements[0].top, -32767);
}

TEST(WindowRecord, SurvivesEveryTruncation) {
    const auto good = writeWindowRecord(sampleRecord());
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        RecordError error;
        EXPECT_FALSE(readWindowRecord(cut, error)) << n;
        EXPECT_FALSE(error.message.empty()) << n;
    }
}

TEST(WindowRecord, AnEmptyRecordHasNoWindows) {
    WindowRecord empty;
    auto bytes = writeWindowRecord(empty);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_TRUE(readOk(bytes).windows.empty());
}

}  // namespace
