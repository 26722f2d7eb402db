// The choices of the window: the four mode choices acting as one group and
// enabling exactly the source rows their mode reads, the two alignment
// choices holding opposite states, and the sign toggle of the custom shift.
#include <iterator>

#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

const char* const kModeChoices[4] = {"选择框1", "选择框2", "选择框3", "选择框4"};
const char* const kSourceBoxes[5] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
const char* const kTargetBoxes[5] = {"掩码编辑框1", "掩码编辑框2", "掩码编辑框3", "掩码编辑框4", "掩码编辑框5"};
// Boxes no mode handler touches.
const char* const kOtherBoxes[] = {"选择框5", "选择框6", "选择框7", "选择框8", "编辑框8", "掩码编辑框6"};

struct ModeCase {
    const char* name;
    int clicked;           // index into kModeChoices
    int sourceEnabled[5];  // rows 0/4 to 4/4
};

const ModeCase kModes[] = {
    {"one segment", 0, {1, 0, 0, 0, 1}},
    {"four segments", 2, {1, 1, 1, 1, 1}},
    {"custom ratio", 3, {0, 0, 0, 0, 0}},
    {"two segments", 1, {1, 0, 1, 0, 1}},
};

// Shows the whole group under labels "<step> <control>".
void showModeState(DriveSession& s, const std::string& step) {
    for (const char* c : kModeChoices) s.show(c, step + " " + c);
    for (const char* c : kSourceBoxes) s.show(c, step + " " + c);
    for (const char* c : kTargetBoxes) s.show(c, step + " " + c);
    for (const char* c : kOtherBoxes) s.show(c, step + " " + c);
}

void expectModeState(const DriveOutcome& r, const std::string& step, const ModeCase& mode) {
    SCOPED_TRACE(step);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.shown(step + " " + kModeChoices[i]).checked, i == mode.clicked ? 1 : 0) << kModeChoices[i];
    }
    for (int row = 0; row < 5; ++row) {
        const Shown& box = r.shown(step + " " + kSourceBoxes[row]);
        EXPECT_EQ(box.enabled, mode.sourceEnabled[row]) << box.line;
        // Enabling or disabling a box leaves its text alone.
        EXPECT_EQ(box.text, "00:00:0" + std::to_string(row) + ",000") << box.line;
    }
    for (const char* c : kTargetBoxes) EXPECT_EQ(r.shown(step + " " + c).enabled, 1) << c;
    for (const char* c : kOtherBoxes) EXPECT_EQ(r.shown(step + " " + c).enabled, 1) << c;
}

TEST(WindowModeChoices, EachModeChecksOnlyItselfAndEnablesTheSourceRowsItReads) {
    DriveSession s;
    // Give every source row a text of its own first (row 1 and 3 while the
    // 4-segment mode has them enabled).
    s.click("选择框3");
    for (int row = 0; row < 5; ++row) s.set(kSourceBoxes[row], "00:00:0" + std::to_string(row) + ",000");
    for (const ModeCase& m : kModes) {
        s.click(kModeChoices[m.clicked]);
        showModeState(s, m.name);
    }
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (const ModeCase& m : kModes) expectModeState(r, m.name, m);
}

TEST(WindowModeChoices, ClickingTheCheckedChoiceChangesNothing) {
    DriveSession s;
    s.click("选择框3");
    for (int row = 0; row < 5; ++row) s.set(kSourceBoxes[row], "00:00:0" + std::to_string(row) + ",000");
    // The check box toggles itself off on the click; the handler checks it again.
    for (const ModeCase& m : kModes) {
        s.click(kModeChoices[m.clicked]).click(kModeChoices[m.clicked]);
        showModeState(s, std::string(m.name) + " twice");
        s.click(kModeChoices[m.clicked]);
        showModeState(s, std::string(m.name) + " thrice");
    }
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (const ModeCase& m : kModes) {
        expectModeState(r, std::string(m.name) + " twice", m);
        expectModeState(r, std::string(m.name) + " thrice", m);
    }
}

TEST(WindowAlignmentChoices, TheTwoAlwaysHoldOppositeStates) {
    // Unlike the mode choices, clicking the checked one unchecks it.
    const struct {
        const char* clicked;
        int startChecked;  // 选择框9 afterwards; 选择框10 holds the opposite
    } kSteps[] = {
        {"选择框9", 0},   // checked at start-up: now cleared, 段尾对齐 checked
        {"选择框9", 1},   // and back
        {"选择框10", 0},  // 段尾对齐 checked by the click, 段首对齐 cleared
        {"选择框10", 1},  // the checked 段尾对齐 clicked: cleared, 段首对齐 checked
        {"选择框10", 0},
        {"选择框9", 1},
    };
    DriveSession s;
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        s.click(kSteps[i].clicked);
        s.show("选择框9", "start " + std::to_string(i)).show("选择框10", "end " + std::to_string(i));
    }
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        EXPECT_EQ(r.shown("start " + std::to_string(i)).checked, kSteps[i].startChecked) << "step " << i;
        EXPECT_EQ(r.shown("end " + std::to_string(i)).checked, 1 - kSteps[i].startChecked) << "step " << i;
    }
}

TEST(WindowSignToggle, TurnsTheSignPositionIntoTheOtherSignAndABlankIntoPlus) {
    DriveSession s;
    s.act("spin 调节器1").show("掩码编辑框6", "minus");
    s.act("spin 调节器1").show("掩码编辑框6", "plus again");
    // A typed shift keeps its digits: only the first character changes.
    s.type("掩码编辑框6", "-01:30:00,000").show("掩码编辑框6", "typed minus");
    s.act("spin 调节器1").show("掩码编辑框6", "typed toggled");
    s.act("spin 调节器1").show("掩码编辑框6", "typed toggled back");
    // A digit typed into the sign position goes to the first digit position.
    s.set("掩码编辑框6", "+").type("掩码编辑框6", "5").show("掩码编辑框6", "digit");
    s.act("spin 调节器1").show("掩码编辑框6", "digit toggled");
    // So does the blank of an emptied box.
    s.set("掩码编辑框6", "").show("掩码编辑框6", "emptied");
    s.act("spin 调节器1").show("掩码编辑框6", "emptied toggled");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("minus").text, "-   :  :  ,   ");
    EXPECT_EQ(r.shown("plus again").text, "+   :  :  ,   ");
    EXPECT_EQ(r.shown("typed minus").text, "- 01:30:00,000");
    EXPECT_EQ(r.shown("typed toggled").text, "+ 01:30:00,000");
    EXPECT_EQ(r.shown("typed toggled back").text, "- 01:30:00,000");
    EXPECT_EQ(r.shown("digit").text, "+ 5 :  :  ,   ");
    EXPECT_EQ(r.shown("digit toggled").text, "- 5 :  :  ,   ");
    EXPECT_EQ(r.shown("emptied").text, "    :  :  ,   ");
    EXPECT_EQ(r.shown("emptied toggled").text, "+   :  :  ,   ");
}

}  // namespace
}  // namespace ui::e2e
