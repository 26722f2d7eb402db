// The window as the user first sees it: what the stored layout gives and what
// the set-up after creation changes (the 2-segment mode, the target boxes of
// rows 0/4, 2/4, 4/4 and the sign of the custom shift box).
#include <gtest/gtest.h>

#include "ui/main_window_layout.h"
#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

constexpr const char* kZeroTime = "00:00:00,000";
constexpr const char* kBlankTime = "  :  :  ,   ";

struct Expected {
    const char* control;
    const char* text;
    int checked;  // -1 for controls without a check state
    int enabled;
    int visible;
};

// Everything a handler touches, in the state right after start-up.
const Expected kAfterStartUp[] = {
    // The set-up selects the 2-segment mode although the layout checks 分1段.
    {"选择框1", "分1段", 0, 1, 1},
    {"选择框2", "分2段", 1, 1, 1},
    {"选择框3", "分4段", 0, 1, 1},
    {"选择框4", "自定比", 0, 1, 1},
    {"选择框9", "段首对齐", 1, 1, 1},
    {"选择框10", "段尾对齐", 0, 1, 1},
    {"选择框5", "", 0, 1, 1},
    {"选择框6", "", 0, 1, 1},
    {"选择框7", "", 0, 1, 1},
    {"选择框8", "", 0, 1, 1},
    // Source rows the 2-segment mode reads are enabled, 1/4 and 3/4 not.
    {"编辑框2", kZeroTime, -1, 1, 1},
    {"编辑框3", kZeroTime, -1, 0, 1},
    {"编辑框4", kZeroTime, -1, 1, 1},
    {"编辑框5", kZeroTime, -1, 0, 1},
    {"编辑框6", kZeroTime, -1, 1, 1},
    // Target rows 0/4, 2/4, 4/4 are written at set-up; 1/4 and 3/4 stay blank.
    {"掩码编辑框1", kZeroTime, -1, 1, 1},
    {"掩码编辑框2", kBlankTime, -1, 1, 1},
    {"掩码编辑框3", kZeroTime, -1, 1, 1},
    {"掩码编辑框4", kBlankTime, -1, 1, 1},
    {"掩码编辑框5", kZeroTime, -1, 1, 1},
    // "+" in the sign position, the mask's literal blank, the time unfilled.
    {"掩码编辑框6", "+   :  :  ,   ", -1, 1, 1},
    {"编辑框8", "1.00000000", -1, 1, 1},
    // The result labels are there but empty until the first adjust action.
    {"标签13", "", -1, 0, 1},
    {"标签14", "", -1, 0, 1},
    {"标签15", "", -1, 0, 1},
    {"标签16", "", -1, 0, 1},
    // The calculator.
    {"掩码编辑框7", kBlankTime, -1, 1, 1},
    {"掩码编辑框8", kBlankTime, -1, 1, 1},
    {"编辑框9", kZeroTime, -1, 1, 1},
    {"按钮1", "调节", -1, 1, 1},
    {"按钮3", "时间运算", -1, 1, 1},
    {"编辑框1", "拖动srt字幕文件或粘贴字幕文本到本框内...", -1, 1, 1},
    // The drop target object is never shown.
    {"拖放对象1", "", -1, -1, 0},
};

TEST(WindowAfterStartUp, ShowsTheTwoSegmentModeWithItsBoxesAndTheInitialTexts) {
    DriveSession s;
    for (const Expected& e : kAfterStartUp) s.show(e.control, e.control);
    s.show("编辑框7", "usage").messages("messages").act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();

    for (const Expected& e : kAfterStartUp) {
        const Shown& shown = r.shown(e.control);
        SCOPED_TRACE(shown.line);
        EXPECT_EQ(shown.text, e.text);
        EXPECT_EQ(shown.checked, e.checked);
        EXPECT_EQ(shown.enabled, e.enabled);
        EXPECT_EQ(shown.visible, e.visible);
    }
    // The output box holds the usage text until the first adjust action.
    EXPECT_EQ(r.shown("usage").text, std::string(ui::usageText()));
    // The set-up shows no message.
    EXPECT_TRUE(r.messages("messages").empty());
}

}  // namespace
}  // namespace ui::e2e
