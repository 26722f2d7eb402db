// The masked edit box as a user meets it: what it shows, keys through the
// mask, paste, and a font that shows the whole mask in the layout's boxes.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>

#include "image/window_record.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"
#include "vexrun/plintor/masked_edit_box.h"

namespace plintor {
namespace {

struct Box {
    std::unique_ptr<QWidget> parent = std::make_unique<QWidget>();
    std::unique_ptr<vexrun::Control> control;
    MaskedEditWidget* widget = nullptr;
};

Box makeBox(const char* mask, const char* initial, int width) {
    vexrun::testing::testApplication();
    image::MaskedEditSettings s;
    s.mask = mask;
    s.initialText = initial;
    s.font.faceName = "MS Sans Serif";
    image::Element e;
    e.id = 0x1601002B;
    e.kind = vx::kKindMaskedEditBox;
    e.name = "mask";
    e.left = 0;
    e.top = 0;
    e.width = width;
    e.height = 24;
    e.extension = image::encodeMaskedEditSettings(s);
    Box b;
    std::string error;
    vexrun::ControlContext context{nullptr, vx::kMainWindowId, &e, b.parent.get()};
    b.control.reset(MaskedEditControl::create(context, error));
    EXPECT_TRUE(b.control) << error;
    b.widget = static_cast<MaskedEditWidget*>(b.control->widget());
    b.parent->show();
    b.widget->setFocus();
    return b;
}

std::string text(const Box& b) { return b.control->textProperty(vx::kPropMaskedText); }

TEST(MaskedEditBox, ABlankBoxShowsTheDisplayCharacterAndReadsSpaces) {
    Box b = makeBox("00:00:00,000;1;0", "  :  :  ,   ", 85);
    EXPECT_EQ(b.widget->text(), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(text(b), "  :  :  ,   ");
    EXPECT_EQ(b.control->propertyType(vx::kPropMaskedText), vexrun::PropertyType::Text);
    EXPECT_EQ(b.control->propertyType(vx::kPropEditText), vexrun::PropertyType::Unknown);
}

TEST(MaskedEditBox, KeysGoThroughTheMask) {
    Box b = makeBox("00:00:00,000;1;0", "  :  :  ,   ", 85);
    b.widget->setCursorPosition(0);
    QTest::keyClicks(b.widget, QStringLiteral("01a3"));  // 'a' is rejected
    EXPECT_EQ(text(b), "01:3 :  ,   ");
    EXPECT_EQ(b.widget->text(), QStringLiteral("01:30:00,000"));
    QTest::keyClick(b.widget, Qt::Key_Backspace);
    EXPECT_EQ(text(b), "01:  :  ,   ");
    QTest::keyClick(b.widget, Qt::Key_Backspace);  // steps back over ':'
    EXPECT_EQ(text(b), "0 :  :  ,   ");
    // Typing overwrites in place and never makes the text longer.
    b.widget->setCursorPosition(0);
    QTest::keyClicks(b.widget, QStringLiteral("12:34:56,7890123"));
    EXPECT_EQ(text(b), "12:34:56,789");
    // A selection is blanked by Delete.
    b.widget->setSelection(3, 5);
    QTest::keyClick(b.widget, Qt::Key_Delete);
    EXPECT_EQ(text(b), "12:  :  ,789");
}

TEST(MaskedEditBox, SignPositionAndSettingATextFromTheHandler) {
    Box b = makeBox("# 00:00:00,000;1;0", "    :  :  ,   ", 88);
    EXPECT_EQ(b.widget->text(), QStringLiteral("0 00:00:00,000"));
    b.control->setTextProperty(vx::kPropMaskedText, "+");
    EXPECT_EQ(text(b), "+   :  :  ,   ");
    EXPECT_EQ(b.widget->text(), QStringLiteral("+ 00:00:00,000"));
    b.widget->setCursorPosition(0);
    QTest::keyClicks(b.widget, QStringLiteral("-0001"));
    EXPECT_EQ(text(b), "- 00:01:  ,   ");
    b.widget->setCursorPosition(0);
    QTest::keyClicks(b.widget, QStringLiteral("5"));  // a digit typed in the sign position goes on
    EXPECT_EQ(text(b), "- 50:01:  ,   ");
}

TEST(MaskedEditBox, PasteFillsTheWholeMaskFromTheClipboard) {
    Box b = makeBox("00:00:00,000;1;0", "  :  :  ,   ", 85);
    QGuiApplication::clipboard()->setText(QStringLiteral("00:01:47,000"));
    QTest::keyClick(b.widget, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(b), "00:01:47,000");
    EXPECT_TRUE(b.control->pasteText(QStringLiteral("12:34")));
    EXPECT_EQ(text(b), "12:34:  ,   ");
}

TEST(MaskedEditBox, ATimePastedOrSetIsPlacedFieldByFieldAndDeleteRemovesTheNextCharacter) {
    Box b = makeBox("00:00:00,000;1;0", "  :  :  ,   ", 85);
    QGuiApplication::clipboard()->setText(QStringLiteral(" 00:40:12.7\n"));
    QTest::keyClick(b.widget, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(b), "00:40:12,700");
    b.control->setTextProperty(vx::kPropMaskedText, "1:02:03,400");
    EXPECT_EQ(text(b), "01:02:03,400");
    EXPECT_EQ(b.widget->text(), QStringLiteral("01:02:03,400"));
    // Delete takes the character after the cursor, stepping over a literal;
    // pressed again it takes the next one.
    b.widget->setCursorPosition(1);
    QTest::keyClick(b.widget, Qt::Key_Delete);
    EXPECT_EQ(text(b), "0 :02:03,400");
    QTest::keyClick(b.widget, Qt::Key_Delete);
    EXPECT_EQ(text(b), "0 : 2:03,400");
    EXPECT_EQ(b.widget->cursorPosition(), 4);
    b.widget->setCursorPosition(12);  // nothing after the cursor
    QTest::keyClick(b.widget, Qt::Key_Delete);
    EXPECT_EQ(text(b), "0 : 2:03,400");
}

TEST(MaskedEditBox, TheWholeMaskShowsInTheLayoutsBoxes) {
    for (auto [mask, initial, width] : {std::tuple{"00:00:00,000;1;0", "  :  :  ,   ", 85},
                                        std::tuple{"# 00:00:00,000;1;0", "    :  :  ,   ", 88}}) {
        Box b = makeBox(mask, initial, width);
        EXPECT_EQ(b.widget->font().pixelSize(), 13);
        const int shown = QFontMetrics(b.widget->font()).horizontalAdvance(b.widget->text());
        // Frame and the line edit's own margins on both sides.
        EXPECT_LE(shown + 2 * 1 + 2 * 2, width) << mask;
    }
}

}  // namespace
}  // namespace plintor
