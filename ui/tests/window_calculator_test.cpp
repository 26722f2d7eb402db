// The time calculator below the reference rows: operand A minus operand B
// into the result box, computed by the button, by Enter in either operand and
// by a double-click that first pastes the clipboard into the operand.
#include <gtest/gtest.h>

#include "ui/tests/drive_session.h"

namespace ui::e2e {
namespace {

constexpr const char* kA = "掩码编辑框7";
constexpr const char* kB = "掩码编辑框8";
constexpr const char* kResult = "编辑框9";

TEST(WindowTimeCalculator, TheButtonSubtractsBFromA) {
    DriveSession s;
    // Untouched operands read as zeros; the result box is spoiled first so
    // that the computed zero shows.
    s.set(kResult, "spoiled").click("按钮3").show(kResult, "untouched");
    s.type(kA, "00:01:00,000").type(kB, "00:00:30,500").click("按钮3").show(kResult, "A-B");
    s.set(kA, "00:00:30,500").set(kB, "00:01:00,000").click("按钮3").show(kResult, "swapped");
    // A partly typed operand: its blanks count as zeros, so ",5" is 500 ms.
    s.set(kA, "").set(kB, "").type(kA, "000001,5").click("按钮3").show(kA, "partial A").show(kResult, "partial");
    // Hours beyond two digits' worth of minutes and a large difference.
    s.set(kA, "99:59:59,999").set(kB, "00:00:00,001").click("按钮3").show(kResult, "large");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("untouched").text, "00:00:00,000");
    EXPECT_EQ(r.shown("A-B").text, "00:00:29,500");
    EXPECT_EQ(r.shown("swapped").text, "-00:00:29,500");
    EXPECT_EQ(r.shown("partial A").text, "00:00:01,5  ");
    EXPECT_EQ(r.shown("partial").text, "00:00:01,500");
    EXPECT_EQ(r.shown("large").text, "99:59:59,998");
}

TEST(WindowTimeCalculator, EnterInEitherOperandComputesAndNoOtherKeyDoes) {
    DriveSession s;
    s.set(kA, "00:01:00,000").set(kB, "00:00:30,500");
    s.set(kResult, "spoiled");
    // Letters, Escape, Space, Tab, an arrow key, F1: nothing computed.
    for (const char* code : {"65", "27", "32", "9", "37", "112"}) {
        s.act(std::string("key ") + kA + " " + code).act(std::string("key ") + kB + " " + code);
    }
    s.show(kResult, "other keys").show(kA, "A after keys").show(kB, "B after keys");
    s.act(std::string("key ") + kA + " 13").show(kResult, "enter in A");
    s.set(kB, "00:02:00,000").act(std::string("key ") + kB + " 13").show(kResult, "enter in B");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("other keys").text, "spoiled");
    EXPECT_EQ(r.shown("A after keys").text, "00:01:00,000");
    EXPECT_EQ(r.shown("B after keys").text, "00:00:30,500");
    EXPECT_EQ(r.shown("enter in A").text, "00:00:29,500");
    EXPECT_EQ(r.shown("enter in B").text, "-00:01:00,000");
}

TEST(WindowTimeCalculator, ADoubleClickPastesIntoTheOperandThenComputes) {
    DriveSession s;
    s.set(kB, "00:00:10,000");
    s.act("clipboard 00:01:47,000").dblclick(kA).show(kA, "A pasted").show(kResult, "after A");
    s.act("clipboard 00:02:00,250").dblclick(kB).show(kB, "B pasted").show(kResult, "after B");
    s.act("quit");
    const DriveOutcome r = s.run();
    ASSERT_EQ(r.status, 0) << r.transcript();
    EXPECT_EQ(r.shown("A pasted").text, "00:01:47,000");
    EXPECT_EQ(r.shown("after A").text, "00:01:37,000");
    EXPECT_EQ(r.shown("B pasted").text, "00:02:00,250");
    EXPECT_EQ(r.shown("after B").text, "-00:00:13,250");
}

}  // namespace
}  // namespace ui::e2e
