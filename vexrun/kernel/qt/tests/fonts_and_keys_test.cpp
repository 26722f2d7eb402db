// Fonts that fit the layout's boxes, the window icon, the key codes the
// handlers see, and the window system's own words in the user's language.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include "vexrun/kernel/qt/ico_image.h"
#include "vexrun/kernel/qt/key_codes.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/runtime_translations.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"

namespace vexrun {
namespace {

// The width a line edit of `width` pixels has for its text.
int textRoom(int width) {
    QLineEdit edit;
    edit.resize(width, 24);
    QStyleOptionFrame opt;
    opt.initFrom(&edit);
    opt.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &edit);
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &edit);
    return contents.width() - 2 * 2;  // the line edit's own margin on each side
}

TEST(Fonts, ATimeShowsWholeInAnEightyPixelBox) {
    testing::testApplication();
    const QFont f = controlFont();
    EXPECT_EQ(f.pixelSize(), kControlFontPixels);
    const int needed = QFontMetrics(f).horizontalAdvance(QStringLiteral("00:00:00,000"));
    EXPECT_LE(needed, textRoom(80)) << "family " << QFontInfo(f).family().toStdString();
    // The hint label's twelve Chinese characters fit its 144 pixels.
    EXPECT_LE(QFontMetrics(f).horizontalAdvance(QString::fromUtf8("选中代表对应段使用自定比")), 144);
    // Chinese captions are drawn with a font that has the glyphs.
    EXPECT_TRUE(QFontMetrics(f).inFont(QChar(0x5206)));  // 分
}

TEST(Fonts, TheMaskedBoxesStoredFontMapsToAThirteenPixelSans) {
    testing::testApplication();
    image::FontSettings stored;
    stored.faceName = "MS Sans Serif";
    stored.height = -13;
    stored.weight = 400;
    const QFont f = fontFromRecord(stored);
    EXPECT_EQ(f.pixelSize(), 13);
    EXPECT_EQ(f.weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(f).pixelSize(), 13);
    EXPECT_FALSE(f.italic());
    stored.height = 20;  // a cell height: the character takes four fifths
    EXPECT_EQ(fontFromRecord(stored).pixelSize(), 16);
}

TEST(KeyCodes, EnterLettersDigitsAndTheRest) {
    EXPECT_EQ(windowsKeyCode(Qt::Key_Return, Qt::NoModifier), 13);
    EXPECT_EQ(windowsKeyCode(Qt::Key_Enter, Qt::KeypadModifier), 13);
    EXPECT_EQ(windowsKeyCode(Qt::Key_A, Qt::ShiftModifier), 0x41);
    EXPECT_EQ(windowsKeyCode(Qt::Key_7, Qt::NoModifier), 0x37);
    EXPECT_EQ(windowsKeyCode(Qt::Key_7, Qt::KeypadModifier), 0x67);
    EXPECT_EQ(windowsKeyCode(Qt::Key_F5, Qt::NoModifier), 0x74);
    EXPECT_EQ(windowsKeyCode(Qt::Key_Colon, Qt::ShiftModifier), 0xBA);
    EXPECT_EQ(windowsKeyCode(Qt::Key_Escape, Qt::NoModifier), 27);
    EXPECT_EQ(windowsKeyCode(Qt::Key_unknown, Qt::NoModifier), 0);
    EXPECT_EQ(shiftState(Qt::ControlModifier | Qt::AltModifier), 5);
}

TEST(KeyCodes, EveryCodeMapsBackToAKeyGivingIt) {
    int mapped = 0;
    for (int32_t code = 1; code < 256; ++code) {
        auto key = qtKeyForWindowsCode(code);
        if (!key) continue;
        ++mapped;
        EXPECT_EQ(windowsKeyCode(key->key, key->modifiers), code) << code;
    }
    EXPECT_GT(mapped, 100);
    EXPECT_FALSE(qtKeyForWindowsCode(0xFF));
}

std::vector<uint8_t> ico(uint16_t w, uint16_t h, uint16_t bits, std::vector<uint8_t> pixels, std::vector<uint8_t> mask) {
    std::vector<uint8_t> out = {0, 0, 1, 0, 1, 0, uint8_t(w), uint8_t(h), 0, 0, 1, 0, uint8_t(bits), 0};
    const uint32_t size = uint32_t(40 + pixels.size() + mask.size());
    for (uint32_t v : {size, 22u}) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> header(40, 0);
    header[0] = 40;
    header[4] = uint8_t(w);
    header[8] = uint8_t(2 * h);
    header[12] = 1;
    header[14] = uint8_t(bits);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

TEST(WindowIcon, ReadsA32BitImageBottomUp) {
    // 1x2: the bottom row comes first in the file.
    std::string error;
    QImage img = decodeIco(ico(1, 2, 32, {0, 0, 255, 255, 255, 0, 0, 128}, std::vector<uint8_t>(8, 0)), error);
    ASSERT_FALSE(img.isNull()) << error;
    EXPECT_EQ(img.size(), QSize(1, 2));
    EXPECT_EQ(img.pixel(0, 1), qRgba(255, 0, 0, 255));
    EXPECT_EQ(img.pixel(0, 0), qRgba(0, 0, 255, 128));
}

TEST(WindowIcon, UsesTheMaskWithoutAnAlphaChannel) {
    std::string error;
    // 24-bit 1x1, row padded to 4 bytes; mask bit set: transparent.
    QImage img = decodeIco(ico(1, 1, 24, {10, 20, 30, 0}, {0x80, 0, 0, 0}), error);
    ASSERT_FALSE(img.isNull()) << error;
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
}

TEST(WindowIcon, MalformedFilesGiveAMessage) {
    std::string error;
    EXPECT_TRUE(decodeIco({}, error).isNull());
    EXPECT_NE(error.find("not an ICO"), std::string::npos);
    auto cut = ico(2, 2, 32, std::vector<uint8_t>(16, 0), std::vector<uint8_t>(8, 0));
    cut.resize(cut.size() - 20);
    EXPECT_TRUE(decodeIco(cut, error).isNull());
    EXPECT_NE(error.find("outside the file"), std::string::npos);
    auto eightBit = ico(1, 1, 8, {0, 0, 0, 0}, {0, 0, 0, 0});
    EXPECT_TRUE(decodeIco(eightBit, error).isNull());
    EXPECT_NE(error.find("24- or 32-bit"), std::string::npos);
}

TEST(RuntimeTranslations, TheWindowSystemsWordsFollowAChineseLocale) {
    testing::testApplication();
    ASSERT_TRUE(installRuntimeTranslations(QLocale(QLocale::Chinese, QLocale::China)));
    {
        QMessageBox box;
        EXPECT_EQ(box.addButton(QMessageBox::Ok)->text(), QString::fromUtf8("确定"));
    }
    // The edit boxes' context menus.
    EXPECT_TRUE(QCoreApplication::translate("QWidgetTextControl", "&Copy").contains(QString::fromUtf8("复制")));
    EXPECT_TRUE(QCoreApplication::translate("QLineEdit", "&Paste").contains(QString::fromUtf8("粘贴")));
    // A language without translations leaves the words English.
    EXPECT_FALSE(installRuntimeTranslations(QLocale::c()));
    EXPECT_EQ(QCoreApplication::translate("QWidgetTextControl", "&Copy"), QStringLiteral("&Copy"));
}

}  // namespace
}  // namespace vexrun
