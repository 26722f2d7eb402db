#include "ui/main_window_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "ui/controls.h"
#include "ui/handler_names.h"
#include "ui/tests/gbk.h"

namespace ui {
namespace {

struct Listed {
    std::string_view name;
    uint32_t id;
    uint32_t kind;
};
#define TESSALY_LISTED_(name, hex, kind) {#name, 0x##hex##u, kind},
const std::vector<Listed> kListed = {TESSALY_CONTROLS(TESSALY_LISTED_)};
#undef TESSALY_LISTED_

const ControlLayout& control(std::string_view name) {
    for (const ControlLayout& c : mainWindowLayout()) {
        if (c.name == name) return c;
    }
    ADD_FAILURE() << "no control " << name;
    return mainWindowLayout()[0];
}

// The number after a name's stem: 13 for "标签13".
int numberOf(std::string_view name) {
    size_t i = name.size();
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i;
    return std::stoi(std::string(name.substr(i)));
}

std::vector<std::pair<int32_t, std::string_view>> bindingsOf(const ControlLayout& c) {
    std::vector<std::pair<int32_t, std::string_view>> out;
    for (int i = 0; i < c.bindingCount; ++i) out.emplace_back(c.bindings[i].event, c.bindings[i].handler);
    return out;
}

struct Geometry {
    int32_t left, top, width, height;
};
void expectGeometry(std::string_view name, Geometry g) {
    const ControlLayout& c = control(name);
    EXPECT_EQ(c.left, g.left) << name;
    EXPECT_EQ(c.top, g.top) << name;
    EXPECT_EQ(c.width, g.width) << name;
    EXPECT_EQ(c.height, g.height) << name;
}

TEST(MainWindowLayout, WindowElementComesFirstThenEveryListedControlInStoredOrder) {
    const auto layout = mainWindowLayout();
    ASSERT_EQ(layout.size(), 1 + kListed.size());
    ASSERT_EQ(kListed.size(), 54u);

    const ControlLayout& w = layout[0];
    EXPECT_TRUE(w.name.empty());
    EXPECT_EQ(w.id, 0x06010000u);
    EXPECT_EQ(w.kind, 0x00010001u);
    EXPECT_EQ(w.left, 50);
    EXPECT_EQ(w.top, 50);
    EXPECT_EQ(w.width, 882);
    EXPECT_EQ(w.height, 607);
    EXPECT_EQ(w.state, 1u);
    EXPECT_EQ(w.text, "Tessaly-初版");

    std::set<uint32_t> ids;
    for (size_t i = 0; i < kListed.size(); ++i) {
        const ControlLayout& c = layout[1 + i];
        EXPECT_EQ(c.name, kListed[i].name) << "element " << 1 + i;
        EXPECT_EQ(c.id, kListed[i].id) << c.name;
        EXPECT_EQ(c.kind, kListed[i].kind) << c.name;
        EXPECT_EQ(c.id & 0xFFFF0000u, 0x16010000u) << c.name;
        ids.insert(c.id);
    }
    EXPECT_EQ(ids.size(), kListed.size()) << "control ids are distinct";
}

TEST(MainWindowLayout, StateFlagsFollowTheKindRules) {
    for (const ControlLayout& c : mainWindowLayout().subspan(1)) {
        uint32_t expected = 0;
        switch (c.kind) {
            case vx::kKindEditBox: {
                const int n = numberOf(c.name);
                expected = (n >= 3 && n <= 5) ? 7 : 5;  // source boxes 1/4 to 3/4 start disabled
                break;
            }
            case vx::kKindMaskedEditBox:
            case vx::kKindCheckBox:
            case vx::kKindButton:
                expected = 5;
                break;
            case vx::kKindLabel:
                expected = numberOf(c.name) <= 16 ? 3 : 1;
                break;
            case vx::kKindShapeBox:
            case vx::kKindSpinControl:
                expected = 1;
                break;
            case vx::kKindDropTarget:
                expected = 0;
                break;
            default:
                ADD_FAILURE() << c.name << " has an unexpected kind " << std::hex << c.kind;
        }
        EXPECT_EQ(c.state, expected) << c.name;
    }
}

TEST(MainWindowLayout, BindingsAreExactlyTheListedOnesInStoredOrder) {
    namespace h = handler;
    using B = std::vector<std::pair<int32_t, std::string_view>>;
    const std::map<std::string_view, B> expected = {
        {"", {{0, h::onWindowCreated}, {2, h::onWindowGoingAway}}},
        {"选择框1", {{0, h::onOneSegmentModeClicked}}},
        {"选择框2", {{0, h::onTwoSegmentModeClicked}}},
        {"选择框3", {{0, h::onFourSegmentModeClicked}}},
        {"选择框4", {{0, h::onCustomRatioModeClicked}}},
        {"选择框9", {{0, h::onAlignStartClicked}}},
        {"选择框10", {{0, h::onAlignEndClicked}}},
        {"编辑框2", {{-3, h::onSource0DoubleClicked}}},
        {"编辑框3", {{-3, h::onSource1DoubleClicked}}},
        {"编辑框4", {{-3, h::onSource2DoubleClicked}}},
        {"编辑框5", {{-3, h::onSource3DoubleClicked}}},
        {"编辑框6", {{-3, h::onSource4DoubleClicked}}},
        {"掩码编辑框7", {{-9, h::onOperandAKeyPressed}, {-3, h::onOperandADoubleClicked}}},
        {"掩码编辑框8", {{-9, h::onOperandBKeyPressed}, {-3, h::onOperandBDoubleClicked}}},
        {"调节器1", {{0, h::onSignToggleSpin}}},
        {"按钮3", {{0, h::onCalculatorClicked}}},
        {"按钮1", {{0, h::onAdjustClicked}}},
        {"拖放对象1", {{3, h::onFileDropped}}},
        {"拖放对象2", {{3, h::onReferenceDropped}}},
    };

    std::multiset<std::string_view> bound;
    for (const ControlLayout& c : mainWindowLayout()) {
        ASSERT_GE(c.bindingCount, 0) << c.name;
        ASSERT_LE(c.bindingCount, 2) << c.name;
        const auto it = expected.find(c.name);
        EXPECT_EQ(bindingsOf(c), it == expected.end() ? B{} : it->second) << "element " << c.name;
        for (const auto& [event, handler] : bindingsOf(c)) bound.insert(handler);
    }

    // Each routine serves exactly one binding, and every routine is bound.
    const std::multiset<std::string_view> all(std::begin(h::kAll), std::end(h::kAll));
    EXPECT_EQ(bound, all);
    EXPECT_EQ(std::set<std::string_view>(all.begin(), all.end()).size(), all.size())
        << "handler names are distinct";
    EXPECT_EQ(all.size(), 22u);
}

TEST(MainWindowLayout, ControlsSpanTheWindowUpToX870AndY566) {
    int32_t right = 0, bottom = 0;
    std::string_view rightmost, lowest;
    for (const ControlLayout& c : mainWindowLayout().subspan(1)) {
        EXPECT_GE(c.left, 0) << c.name;
        EXPECT_GE(c.top, 0) << c.name;
        EXPECT_GT(c.width, 0) << c.name;
        EXPECT_GT(c.height, 0) << c.name;
        if (c.left + c.width > right) right = c.left + c.width, rightmost = c.name;
        if (c.top + c.height > bottom) bottom = c.top + c.height, lowest = c.name;
    }
    EXPECT_EQ(right, 870);
    EXPECT_EQ(rightmost, "编辑框7");
    EXPECT_EQ(bottom, 566);
    EXPECT_EQ(lowest, "编辑框1");
}

TEST(MainWindowLayout, ModeRowHintAndBracket) {
    expectGeometry("选择框1", {8, 1, 56, 24});
    expectGeometry("选择框4", {231, 1, 56, 24});
    EXPECT_EQ(control("选择框3").text, "分4段");
    EXPECT_EQ(control("选择框10").text, "段尾对齐");

    // Stored checked: one segment and segment-start alignment, nothing else.
    for (const ControlLayout& c : mainWindowLayout()) {
        EXPECT_EQ(c.checked, c.name == "选择框1" || c.name == "选择框9") << c.name;
    }

    const ControlLayout& hint = control("标签18");
    EXPECT_EQ(hint.text, "选中代表对应段使用自定比");
    EXPECT_EQ(test::toGbk(hint.text).value_or("").size(), 24u) << "twelve characters of two bytes each";

    EXPECT_EQ(control("外形框2").shape, 6u) << "horizontal";
    EXPECT_EQ(control("外形框1").shape, 7u) << "vertical";
    expectGeometry("外形框1", {131, 50, 2, 72});
    EXPECT_EQ(control("标签17").text, "↓");
}

TEST(MainWindowLayout, TimePointRowsAre48PixelsApart) {
    const char* sourceLabels[] = {"标签1", "标签2", "标签3", "标签4", "标签5"};
    const char* sourceBoxes[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
    const char* targetLabels[] = {"标签6", "标签7", "标签8", "标签9", "标签10"};
    const char* targetBoxes[] = {"掩码编辑框1", "掩码编辑框2", "掩码编辑框3", "掩码编辑框4",
                                 "掩码编辑框5"};
    const char* ratioBoxes[] = {nullptr, "选择框5", "选择框6", "选择框7", "选择框8"};
    const char* resultLabels[] = {nullptr, "标签13", "标签14", "标签15", "标签16"};
    const char* captions[] = {"0/4", "1/4", "2/4", "3/4", "4/4"};

    for (int row = 0; row < 5; ++row) {
        const int32_t top = 85 + 48 * row;
        SCOPED_TRACE(captions[row]);
        expectGeometry(sourceLabels[row], {5, top + 3, row == 4 ? 35 : 32, 16});
        expectGeometry(sourceBoxes[row], {38, top, 80, 24});
        expectGeometry(targetLabels[row], {144, top + 3, 48, 16});
        expectGeometry(targetBoxes[row], {195, top, 85, 24});
        EXPECT_EQ(control(sourceLabels[row]).text, std::string("源") + captions[row]);
        EXPECT_EQ(control(targetLabels[row]).text, std::string("目标") + captions[row]);
        EXPECT_EQ(control(sourceBoxes[row]).text, "00:00:00,000");
        EXPECT_EQ(control(targetBoxes[row]).mask, "00:00:00,000;1;0");
        if (ratioBoxes[row]) {
            const ControlLayout& box = control(ratioBoxes[row]);
            EXPECT_EQ(box.left, 125);
            EXPECT_EQ(box.top, row == 4 ? 280 : top + 2);
            EXPECT_EQ(box.width, 16);
            EXPECT_EQ(box.height, 16);
            expectGeometry(resultLabels[row], {8, top + 27, 272, 16});
            EXPECT_TRUE(control(resultLabels[row]).text.empty());
        }
    }
}

TEST(MainWindowLayout, LabelTextColoursByRole) {
    for (const ControlLayout& c : mainWindowLayout().subspan(1)) {
        if (c.kind != vx::kKindLabel) {
            EXPECT_EQ(c.textColour, 0u) << c.name;
            continue;
        }
        const int n = numberOf(c.name);
        uint32_t expected = 0;
        if (n >= 6 && n <= 10) expected = 0x00FF8800u;        // target labels
        else if (n >= 13 && n <= 16) expected = 0x008050FFu;  // segment result labels
        else if (n == 17 || n == 18) expected = 0x00C06000u;  // arrow and hint
        EXPECT_EQ(c.textColour, expected) << c.name;
        EXPECT_EQ(c.hintLabelSetting, n == 18) << c.name;
    }
}

TEST(MainWindowLayout, KindSpecificSettingsOnlyWhereTheyBelong) {
    for (const ControlLayout& c : mainWindowLayout()) {
        SCOPED_TRACE(std::string(c.name));
        const bool masked = c.kind == vx::kKindMaskedEditBox;
        EXPECT_EQ(!c.mask.empty(), masked);
        EXPECT_EQ(c.maskedSetting, (c.name == "掩码编辑框7" || c.name == "掩码编辑框8") ? 5u : 3u);
        EXPECT_EQ(c.resultBoxSettings, c.name == "编辑框9");
        EXPECT_EQ(c.emptyExtension, c.kind == vx::kKindCheckBox && numberOf(c.name) >= 5 &&
                                        numberOf(c.name) <= 8);
        EXPECT_EQ(c.shape != 0, c.kind == vx::kKindShapeBox);
        EXPECT_EQ(c.lineColour != 0, c.kind == vx::kKindShapeBox);

        const bool textArea = c.name == "编辑框1" || c.name == "编辑框7";
        EXPECT_EQ(c.multiLine, textArea);
        EXPECT_EQ(c.scrollBars, c.name == "编辑框1" ? 3u : c.name == "编辑框7" ? 2u : 0u);

        if (masked) {
            // Starts blank: the mask proper with a space for every digit position.
            std::string blank(c.mask.substr(0, c.mask.find(';')));
            for (char& ch : blank) {
                if (ch == '0' || ch == '#') ch = ' ';
            }
            EXPECT_EQ(c.text, blank);
            EXPECT_EQ(c.mask, c.name == "掩码编辑框6" ? "# 00:00:00,000;1;0" : "00:00:00,000;1;0");
        }
        if (c.emptyExtension) {
            EXPECT_TRUE(c.text.empty());
            EXPECT_FALSE(c.checked);
        }
    }
    EXPECT_EQ(control("掩码编辑框6").text.size(), 14u);
    EXPECT_EQ(control("掩码编辑框1").text.size(), 12u);
}

TEST(MainWindowLayout, CustomRowCalculatorAndButtons) {
    EXPECT_EQ(control("编辑框8").text, "1.00000000");
    expectGeometry("掩码编辑框6", {194, 324, 88, 24});
    expectGeometry("按钮1", {88, 384, 80, 32});
    EXPECT_EQ(control("按钮1").text, "调节");
    expectGeometry("拖放对象1", {16, 384, 24, 24});
    expectGeometry("拖放对象2", {40, 384, 24, 24});
    expectGeometry("掩码编辑框8", {101, 456, 85, 24});
    EXPECT_EQ(control("标签19").text, " -");
    EXPECT_EQ(control("标签20").text, " =");
    EXPECT_EQ(control("编辑框9").text, "00:00:00,000");
    EXPECT_EQ(control("按钮3").text, "时间运算");
}

TEST(MainWindowLayout, TextAreasHoldThePromptAndTheUsageText) {
    expectGeometry("编辑框1", {288, 6, 288, 560});
    expectGeometry("编辑框7", {582, 5, 288, 560});
    EXPECT_EQ(control("编辑框1").text, "拖动srt字幕文件或粘贴字幕文本到本框内...");
    EXPECT_EQ(control("编辑框7").text, usageText());
    EXPECT_FALSE(usageText().empty());
}

TEST(MainWindowLayout, EveryNameAndTextHasAGbkForm) {
    for (const ControlLayout& c : mainWindowLayout()) {
        EXPECT_TRUE(test::toGbk(c.name).has_value()) << c.name;
        EXPECT_TRUE(test::toGbk(c.text).has_value()) << c.name;
        EXPECT_TRUE(test::toGbk(c.mask).has_value()) << c.name;
    }
    EXPECT_EQ(kWindowNameText.size(), 8u);
}

}  // namespace
}  // namespace ui
