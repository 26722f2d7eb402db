// The main window's record as the builder writes it: every element of the
// layout with its id, GBK name and bindings resolved to code offsets, the
// stored values of each kind's block, and the same bytes when read back.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "builder/main_window_record.h"
#include "image/little_endian.h"
#include "image/tests/record_samples.h"
#include "ui/controls.h"
#include "ui/handler_names.h"
#include "ui/main_window_layout.h"

namespace {

using namespace image;
using test::gbkOf;

// Gives each handler routine a distinct made-up code offset.
std::optional<uint32_t> fakeOffset(std::string_view routine) {
    for (size_t i = 0; i < std::size(ui::handler::kAll); ++i) {
        if (ui::handler::kAll[i] == routine) return static_cast<uint32_t>(0x100 + 0x40 * i);
    }
    return std::nullopt;
}

WindowRecord mainRecord() {
    std::string error;
    auto r = mainWindowRecord(fakeOffset, error);
    EXPECT_TRUE(r) << error;
    return r.value_or(WindowRecord{});
}

const Element& byName(const Window& w, const char* utf8) {
    std::string name = gbkOf(utf8);
    for (const Element& e : w.elements) {
        if (e.name == name) return e;
    }
    ADD_FAILURE() << "no element " << utf8;
    static const Element none;
    return none;
}

TEST(MainWindowRecord, HoldsTheWindowAndThe54ControlsInStoredOrder) {
    const WindowRecord r = mainRecord();
    ASSERT_EQ(r.windows.size(), 1u);
    const Window& w = r.windows[0];
    EXPECT_EQ(w.id, 0x52010001u);
    EXPECT_EQ(w.furtherValue, 0x01EF63E0u);
    EXPECT_EQ(w.headerValue0, 0x00216A10u);
    EXPECT_EQ(w.headerValue1, 0x19010006u);
    EXPECT_TRUE(w.text1.empty() && w.text2.empty());
    ASSERT_EQ(w.elements.size(), 55u);
    EXPECT_EQ(w.elements[0].id, 0x06010000u);
    EXPECT_EQ(w.elements[0].kind, 0x00010001u);
    EXPECT_EQ(w.elements[0].name, "");
    struct Stored {
        const char* name;
        uint32_t id, kind;
    };
#define STORED_(name, hex, kind) {#name, 0x##hex##u, kind},
    const Stored stored[] = {TESSALY_CONTROLS(STORED_)};
#undef STORED_
    for (size_t i = 0; i < 54; ++i) {
        const Element& e = w.elements[i + 1];
        EXPECT_EQ(e.id, stored[i].id) << stored[i].name;
        EXPECT_EQ(e.kind, stored[i].kind) << stored[i].name;
        EXPECT_EQ(e.name, gbkOf(stored[i].name)) << stored[i].name;
        EXPECT_EQ(e.byteStringB, std::string(4, '\0'));
    }
    const auto bytes = writeWindowRecord(r);
    RecordError error;
    auto read = readWindowRecord(bytes, error);
    ASSERT_TRUE(read) << error.message;
    EXPECT_EQ(writeWindowRecord(*read), bytes);
}

TEST(MainWindowRecord, BindsEventsToTheLinkedHandlerOffsetsInLayoutOrder) {
    const Window w = mainRecord().windows[0];
    EXPECT_EQ(w.elements[0].events, (std::vector<EventBinding>{{0, *fakeOffset("onWindowCreated")},
                                                               {2, *fakeOffset("onWindowGoingAway")}}));
    EXPECT_EQ(byName(w, "掩码编辑框7").events,
              (std::vector<EventBinding>{{-9, *fakeOffset("onOperandAKeyPressed")},
                                         {-3, *fakeOffset("onOperandADoubleClicked")}}));
    EXPECT_EQ(byName(w, "拖放对象1").events, (std::vector<EventBinding>{{3, *fakeOffset("onFileDropped")}}));
    EXPECT_EQ(byName(w, "拖放对象2").events, (std::vector<EventBinding>{{3, *fakeOffset("onReferenceDropped")}}));
    EXPECT_TRUE(byName(w, "编辑框7").events.empty());
    size_t bound = 0;
    for (const Element& e : w.elements) bound += e.events.size();
    EXPECT_EQ(bound, 22u);

    std::string error;
    auto missing = mainWindowRecord(
        [](std::string_view routine) -> std::optional<uint32_t> {
            if (routine == "onFileDropped") return std::nullopt;
            return 0;
        },
        error);
    EXPECT_FALSE(missing);
    EXPECT_NE(error.find("onFileDropped"), std::string::npos) << error;
    EXPECT_NE(error.find("拖放对象1"), std::string::npos) << error;
}

TEST(MainWindowRecord, WindowBlockHoldsItsNameIconAndCaption) {
    const Window w = mainRecord().windows[0];
    auto s = decodeWindowSettings(w.elements[0].extension);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->caption, gbkOf("Tessaly-初版"));
    EXPECT_EQ(s->nameText.size(), 8u);
    ASSERT_EQ(s->icon.size(), 0x25BEu);
    EXPECT_EQ(loadU32(&s->icon[0]), 0x00010000u) << "reserved 0, type 1";
    EXPECT_EQ(s->icon[6], 48);
    EXPECT_EQ(loadU32(&s->icon[6 + 8]), 0x25A8u);
    EXPECT_EQ(loadU32(&s->icon[6 + 12]), 22u);
    EXPECT_EQ(loadU32(&s->icon[22 + 8]), 96u) << "colour and mask halves";
    EXPECT_EQ((std::array{w.elements[0].left, w.elements[0].top, w.elements[0].width, w.elements[0].height}),
              (std::array{50, 50, 882, 607}));
}

TEST(MainWindowRecord, EditBoxesStoreTheirTextsAndTheResultBoxItsOwnSettings) {
    const Window w = mainRecord().windows[0];
    auto result = decodeEditBoxSettings(byName(w, "编辑框9").extension);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->variant, 5u);
    EXPECT_EQ(result->setting32, 1u);
    EXPECT_EQ(result->setting36, 1u);
    EXPECT_EQ(result->text, "00:00:00,000");
    auto subtitle = decodeEditBoxSettings(byName(w, "编辑框1").extension);
    ASSERT_TRUE(subtitle);
    EXPECT_TRUE(subtitle->multiLine);
    EXPECT_EQ(subtitle->scrollBars, 3u);
    EXPECT_EQ(subtitle->text, gbkOf("拖动srt字幕文件或粘贴字幕文本到本框内..."));
    auto output = decodeEditBoxSettings(byName(w, "编辑框7").extension);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->scrollBars, 2u);
    EXPECT_EQ(output->text, gbkOf(std::string(ui::usageText()).c_str()));
    EXPECT_NE(output->text.find("\r\n"), std::string::npos);
    auto ratio = decodeEditBoxSettings(byName(w, "编辑框8").extension);
    ASSERT_TRUE(ratio);
    EXPECT_EQ(ratio->variant, 1u);
    EXPECT_FALSE(ratio->multiLine);
    EXPECT_EQ(ratio->text, "1.00000000");
}

TEST(MainWindowRecord, KindBlocksCarryTheLayoutsSettings) {
    const Window w = mainRecord().windows[0];
    auto hint = decodeLabelSettings(byName(w, "标签18").extension);
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->caption.size(), 24u);
    EXPECT_EQ(hint->setting64, 1u);
    EXPECT_EQ(hint->textColour, 0x00C06000u);
    EXPECT_EQ(decodeLabelSettings(byName(w, "标签1").extension)->setting64, 0u);
    for (const char* ratioBox : {"选择框5", "选择框6", "选择框7", "选择框8"}) {
        EXPECT_TRUE(byName(w, ratioBox).extension.empty()) << ratioBox;
    }
    EXPECT_TRUE(decodeCheckBoxSettings(byName(w, "选择框9").extension)->checked);
    EXPECT_TRUE(byName(w, "调节器1").extension.empty());
    EXPECT_EQ(decodeShapeSettings(byName(w, "外形框1").extension)->shape, 7u);
    EXPECT_EQ(decodeButtonSettings(byName(w, "按钮1").extension)->caption, gbkOf("调节"));
    const Element& drop = byName(w, "拖放对象1");
    EXPECT_EQ(drop.stateFlags, 0u);
    EXPECT_EQ(decodeDropTargetSettings(drop.extension)->settings, (std::array<uint32_t, 5>{1, 1, 1, 1, 1}));
}

TEST(MainWindowRecord, MaskedBoxesStoreMaskBlankTextAndAFreshFont) {
    const Window w = mainRecord().windows[0];
    for (const char* name : {"掩码编辑框1", "掩码编辑框5", "掩码编辑框6", "掩码编辑框7", "掩码编辑框8"}) {
        const Element& e = byName(w, name);
        auto s = decodeMaskedEditSettings(e.extension);
        ASSERT_TRUE(s) << name;
        bool signedBox = std::string(name) == "掩码编辑框6";
        bool operand = std::string(name) == "掩码编辑框7" || std::string(name) == "掩码编辑框8";
        EXPECT_EQ(s->mask, signedBox ? "# 00:00:00,000;1;0" : "00:00:00,000;1;0") << name;
        EXPECT_EQ(s->initialText, signedBox ? "    :  :  ,   " : "  :  :  ,   ") << name;
        EXPECT_EQ(s->setting13, operand ? 5u : 3u) << name;
        EXPECT_EQ(s->backgroundColour, 0xFF000005u);
        EXPECT_EQ(s->textColour, 0xFF000008u);
        EXPECT_EQ(s->font.height, -13);
        EXPECT_EQ(s->font.weight, 400);
        EXPECT_EQ(s->font.charSet, 1);
        EXPECT_EQ(s->font.faceName, "MS Sans Serif");
        for (size_t i = s->font.faceName.size(); i < 32; ++i) EXPECT_EQ(s->font.faceField[i], 0) << name;
    }
}

}  // namespace
