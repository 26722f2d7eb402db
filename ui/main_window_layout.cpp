// The main window's layout data. The controls are described here area by area,
// as a reader of the window looks at it; mainWindowLayout() puts them into the
// stored element order of ui/controls.h, which also supplies every id and kind.
#include "ui/main_window_layout.h"

#include <array>

#include "runtime/vexrun_interface.h"
#include "ui/controls.h"
#include "ui/handler_names.h"

namespace ui {
namespace {

namespace h = handler;

constexpr uint32_t kV = kVisible;
constexpr uint32_t kVD = kVisible | kDisabled;
constexpr uint32_t kVT = kVisible | kTabStop;
constexpr uint32_t kVDT = kVisible | kDisabled | kTabStop;

// Label text colours (red in the low byte).
constexpr uint32_t kBlack = 0x00000000u;
constexpr uint32_t kTargetColour = 0x00FF8800u;  // RGB(0,136,255)
constexpr uint32_t kResultColour = 0x008050FFu;  // RGB(255,80,128)
constexpr uint32_t kHintColour = 0x00C06000u;    // RGB(0,96,192): hint, arrow and bracket

constexpr uint32_t kHorizontalLine = 6;
constexpr uint32_t kVerticalLine = 7;

constexpr std::string_view kTimeMask = "00:00:00,000;1;0";
constexpr std::string_view kSignedTimeMask = "# 00:00:00,000;1;0";
// A masked box starts blank: a space in every digit position, literals kept.
constexpr std::string_view kBlankTime = "  :  :  ,   ";
constexpr std::string_view kBlankSignedTime = "    :  :  ,   ";
constexpr std::string_view kZeroTime = "00:00:00,000";

constexpr uint32_t kMaskedSettingOperand = 5;

// The output box starts with the usage text, which lives in its own file and
// is put in when the layout is assembled.
constexpr std::string_view kOutputBox = "编辑框7";

constexpr ControlLayout place(std::string_view name, int32_t left, int32_t top, int32_t width,
                              int32_t height, uint32_t state, std::string_view text = {}) {
    ControlLayout c{};
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.state = state;
    c.text = text;
    return c;
}

constexpr ControlLayout bind(ControlLayout c, int32_t event, std::string_view handler) {
    c.bindings[c.bindingCount] = {event, handler};
    ++c.bindingCount;
    return c;
}

constexpr ControlLayout label(std::string_view name, int32_t left, int32_t top, int32_t width,
                              int32_t height, uint32_t state, std::string_view caption,
                              uint32_t textColour) {
    ControlLayout c = place(name, left, top, width, height, state, caption);
    c.textColour = textColour;
    return c;
}

constexpr ControlLayout checkBox(std::string_view name, int32_t left, int32_t top, int32_t width,
                                 int32_t height, std::string_view caption, bool checked) {
    ControlLayout c = place(name, left, top, width, height, kVT, caption);
    c.checked = checked;
    return c;
}

// A segment ratio box: no caption, unchecked, stored with an empty block.
constexpr ControlLayout ratioBox(std::string_view name, int32_t left, int32_t top) {
    ControlLayout c = place(name, left, top, 16, 16, kVT);
    c.emptyExtension = true;
    return c;
}

constexpr ControlLayout shape(std::string_view name, int32_t left, int32_t top, int32_t width,
                              int32_t height, uint32_t form) {
    ControlLayout c = place(name, left, top, width, height, kV);
    c.shape = form;
    c.lineColour = kHintColour;
    return c;
}

constexpr ControlLayout maskedBox(std::string_view name, int32_t left, int32_t top,
                                  int32_t width, int32_t height,
                                  std::string_view mask = kTimeMask,
                                  std::string_view blank = kBlankTime) {
    ControlLayout c = place(name, left, top, width, height, kVT, blank);
    c.mask = mask;
    return c;
}

constexpr ControlLayout calculatorOperand(std::string_view name, int32_t left,
                                          std::string_view keyHandler,
                                          std::string_view doubleClickHandler) {
    ControlLayout c = maskedBox(name, left, 456, 85, 24);
    c.maskedSetting = kMaskedSettingOperand;
    c = bind(c, vx::kEventKeyPressed, keyHandler);
    return bind(c, vx::kEventDoubleClicked, doubleClickHandler);
}

constexpr ControlLayout sourceBox(std::string_view name, int32_t top, uint32_t state,
                                  std::string_view doubleClickHandler) {
    return bind(place(name, 38, top, 80, 24, state, kZeroTime), vx::kEventDoubleClicked,
                doubleClickHandler);
}

constexpr ControlLayout textArea(std::string_view name, int32_t left, int32_t top,
                                 std::string_view text, uint32_t scrollBars) {
    ControlLayout c = place(name, left, top, 288, 560, kVT, text);
    c.multiLine = true;
    c.scrollBars = scrollBars;
    return c;
}

constexpr ControlLayout hintLabel() {
    ControlLayout c = label("标签18", 142, 38, 144, 18, kV, "选中代表对应段使用自定比", kHintColour);
    c.hintLabelSetting = true;
    return c;
}

constexpr ControlLayout calculatorResult() {
    ControlLayout c = place("编辑框9", 203, 456, 85, 24, kVT, kZeroTime);
    c.resultBoxSettings = true;
    return c;
}

constexpr std::array kControls = {
    // Mode row: the four choices act as one group.
    bind(checkBox("选择框1", 8, 1, 56, 24, "分1段", true), vx::kEventClicked,
         h::onOneSegmentModeClicked),
    bind(checkBox("选择框2", 82, 1, 56, 24, "分2段", false), vx::kEventClicked,
         h::onTwoSegmentModeClicked),
    bind(checkBox("选择框3", 156, 1, 56, 24, "分4段", false), vx::kEventClicked,
         h::onFourSegmentModeClicked),
    bind(checkBox("选择框4", 231, 1, 56, 24, "自定比", false), vx::kEventClicked,
         h::onCustomRatioModeClicked),

    // Hint, alignment choices, and the bracket leading down to the ratio boxes.
    hintLabel(),
    bind(checkBox("选择框9", 143, 56, 68, 24, "段首对齐", true), vx::kEventClicked,
         h::onAlignStartClicked),
    bind(checkBox("选择框10", 216, 56, 68, 24, "段尾对齐", false), vx::kEventClicked,
         h::onAlignEndClicked),
    shape("外形框2", 132, 49, 10, 2, kHorizontalLine),
    shape("外形框1", 131, 50, 2, 72, kVerticalLine),
    label("标签17", 126, 119, 12, 14, kV, "↓", kHintColour),

    // Time point rows 0/4 to 4/4, 48 pixels apart.
    label("标签1", 5, 88, 32, 16, kVD, "源0/4", kBlack),
    sourceBox("编辑框2", 85, kVT, h::onSource0DoubleClicked),
    label("标签6", 144, 88, 48, 16, kVD, "目标0/4", kTargetColour),
    maskedBox("掩码编辑框1", 195, 85, 85, 24),

    label("标签2", 5, 136, 32, 16, kVD, "源1/4", kBlack),
    sourceBox("编辑框3", 133, kVDT, h::onSource1DoubleClicked),
    ratioBox("选择框5", 125, 135),
    label("标签7", 144, 136, 48, 16, kVD, "目标1/4", kTargetColour),
    maskedBox("掩码编辑框2", 195, 133, 85, 24),
    label("标签13", 8, 160, 272, 16, kVD, "", kResultColour),

    label("标签3", 5, 184, 32, 16, kVD, "源2/4", kBlack),
    sourceBox("编辑框4", 181, kVDT, h::onSource2DoubleClicked),
    ratioBox("选择框6", 125, 183),
    label("标签8", 144, 184, 48, 16, kVD, "目标2/4", kTargetColour),
    maskedBox("掩码编辑框3", 195, 181, 85, 24),
    label("标签14", 8, 208, 272, 16, kVD, "", kResultColour),

    label("标签4", 5, 232, 32, 16, kVD, "源3/4", kBlack),
    sourceBox("编辑框5", 229, kVDT, h::onSource3DoubleClicked),
    ratioBox("选择框7", 125, 231),
    label("标签9", 144, 232, 48, 16, kVD, "目标3/4", kTargetColour),
    maskedBox("掩码编辑框4", 195, 229, 85, 24),
    label("标签15", 8, 256, 272, 16, kVD, "", kResultColour),

    label("标签5", 5, 280, 35, 16, kVD, "源4/4", kBlack),
    sourceBox("编辑框6", 277, kVT, h::onSource4DoubleClicked),
    ratioBox("选择框8", 125, 280),
    label("标签10", 144, 280, 48, 16, kVD, "目标4/4", kTargetColour),
    maskedBox("掩码编辑框5", 195, 277, 85, 24),
    label("标签16", 8, 304, 272, 16, kVD, "", kResultColour),

    // Custom ratio and custom shift; the spin control toggles the shift's sign.
    label("标签11", 5, 328, 48, 16, kVD, "自定比率", kBlack),
    place("编辑框8", 61, 325, 72, 24, kVT, "1.00000000"),
    label("标签12", 146, 329, 38, 16, kVD, "平移", kBlack),
    bind(place("调节器1", 180, 324, 16, 24, kV), vx::kEventSpin, h::onSignToggleSpin),
    maskedBox("掩码编辑框6", 194, 324, 88, 24, kSignedTimeMask, kBlankSignedTime),

    // Adjust button, and the drop targets that are never shown: the subtitle
    // box's, and the output box's (a new release's subtitle to align to).
    bind(place("按钮1", 88, 384, 80, 32, kVT, "调节"), vx::kEventClicked, h::onAdjustClicked),
    bind(place("拖放对象1", 16, 384, 24, 24, 0), vx::kEventFileDropped, h::onFileDropped),
    bind(place("拖放对象2", 40, 384, 24, 24, 0), vx::kEventFileDropped, h::onReferenceDropped),

    // Time calculator: operand A minus operand B.
    calculatorOperand("掩码编辑框7", 1, h::onOperandAKeyPressed, h::onOperandADoubleClicked),
    label("标签19", 85, 456, 16, 24, kV, " -", kBlack),
    calculatorOperand("掩码编辑框8", 101, h::onOperandBKeyPressed, h::onOperandBDoubleClicked),
    label("标签20", 186, 455, 16, 24, kV, " =", kBlack),
    calculatorResult(),
    bind(place("按钮3", 88, 496, 80, 32, kVT, "时间运算"), vx::kEventClicked,
         h::onCalculatorClicked),

    // Subtitle box (input) and output box.
    textArea("编辑框1", 288, 6, "拖动srt字幕文件或粘贴字幕文本到本框内...", 3),
    textArea(kOutputBox, 582, 5, {}, 2),
};

struct StoredControl {
    std::string_view name;
    uint32_t id;
    uint32_t kind;
};

#define TESSALY_STORED_CONTROL_(name, hex, kind) {#name, 0x##hex##u, kind},
constexpr StoredControl kStoredOrder[] = {TESSALY_CONTROLS(TESSALY_STORED_CONTROL_)};
#undef TESSALY_STORED_CONTROL_

constexpr size_t kControlCount = std::size(kStoredOrder);

constexpr int descriptionOf(std::string_view name) {
    int found = -1;
    for (size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].name == name) {
            if (found >= 0) return -2;  // described twice
            found = static_cast<int>(i);
        }
    }
    return found;
}

constexpr bool everyControlDescribedOnce() {
    for (const StoredControl& c : kStoredOrder) {
        if (descriptionOf(c.name) < 0) return false;
    }
    return true;
}

static_assert(kControlCount == 54, "the main window has 54 controls");
static_assert(kControls.size() == kControlCount, "one description per control");
static_assert(everyControlDescribedOnce(), "every control of ui/controls.h is described once");

constexpr ControlLayout windowElement() {
    ControlLayout w = place("", static_cast<int32_t>(kWindowLeft), static_cast<int32_t>(kWindowTop),
                            static_cast<int32_t>(kWindowWidth), static_cast<int32_t>(kWindowHeight),
                            kV, kWindowCaption);
    w.id = vx::kWindowElementId;
    w.kind = vx::kKindWindow;
    w = bind(w, vx::kEventCreated, h::onWindowCreated);
    return bind(w, vx::kEventGoingAway, h::onWindowGoingAway);
}

}  // namespace

std::span<const ControlLayout> mainWindowLayout() {
    static const std::array<ControlLayout, 1 + kControlCount> layout = [] {
        std::array<ControlLayout, 1 + kControlCount> all{};
        all[0] = windowElement();
        for (size_t i = 0; i < kControlCount; ++i) {
            ControlLayout c = kControls[static_cast<size_t>(descriptionOf(kStoredOrder[i].name))];
            c.id = kStoredOrder[i].id;
            c.kind = kStoredOrder[i].kind;
            if (c.name == kOutputBox) c.text = usageText();
            all[1 + i] = c;
        }
        return all;
    }();
    return layout;
}

}  // namespace ui
