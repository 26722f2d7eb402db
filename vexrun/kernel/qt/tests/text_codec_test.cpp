// Texts are bytes: shown decoded (UTF-8 when valid, else GBK), given back
// byte for byte, and a user's edit encoded in the text's own encoding.
#include <gtest/gtest.h>

#include <random>

#include <QStringList>

#include "vexrun/kernel/qt/document_form.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";     // 中文
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文

TEST(TextCodec, ChoosesTheEncodingFromTheBytes) {
    EXPECT_EQ(detectEncoding(""), TextEncoding::Gbk);
    EXPECT_EQ(detectEncoding("00:00:00,000"), TextEncoding::Gbk);
    EXPECT_EQ(detectEncoding(kUtf8Chinese), TextEncoding::Utf8);
    EXPECT_EQ(detectEncoding(kGbkChinese), TextEncoding::Gbk);
    // Overlong forms, surrogates and cut sequences are not UTF-8.
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(isValidUtf8("abcdefgh\xE4\xB8"));
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_TRUE(isValidUtf8("abcdefghijklmnop\xF0\x9F\x98\x80q"));
}

TEST(TextCodec, DecodesBothEncodings) {
    EXPECT_EQ(decodeText(kGbkChinese), QString::fromUtf8("中文"));
    EXPECT_EQ(decodeText(kUtf8Chinese), QString::fromUtf8("中文"));
    EXPECT_EQ(decodeText("Tessaly-\xB3\xF5\xB0\xE6"), QString::fromUtf8("Tessaly-初版"));
}

TEST(TextCodec, EveryByteStringComesBackUnchanged) {
    // All strings of one and two bytes, then random longer ones.
    for (int a = 0; a < 256; ++a) {
        for (int b = -1; b < 256; ++b) {
            std::string s(1, char(a));
            if (b >= 0) s.push_back(char(b));
            const TextEncoding e = detectEncoding(s);
            ASSERT_EQ(encodeText(decodeText(s, e), e), s) << a << " " << b;
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::string s;
        for (int n = int(random() % 12); n > 0; --n) s.push_back(char(random()));
        const TextEncoding e = detectEncoding(s);
        ASSERT_EQ(encodeText(decodeText(s, e), e), s);
    }
}

TEST(TextCodec, AnEditIsEncodedInTheTextsEncoding) {
    QString edited = decodeText(kGbkChinese) + QString::fromUtf8("字幕");
    EXPECT_EQ(encodeText(edited, TextEncoding::Gbk), kGbkChinese + "\xD7\xD6\xC4\xBB");
    edited = decodeText(kUtf8Chinese) + QString::fromUtf8("字幕");
    EXPECT_EQ(encodeText(edited, TextEncoding::Utf8), kUtf8Chinese + "\xE5\xAD\x97\xE5\xB9\x95");
    // A byte that decodes to nothing survives an edit elsewhere in the text.
    const std::string odd = "ab\x80\xFF" + kGbkChinese;
    QString shown = decodeText(odd);
    shown.prepend(QChar('x'));
    EXPECT_EQ(encodeText(shown, TextEncoding::Gbk), "x" + odd);
}

TEST(TextCodec, LineEndsOfMultiLineBoxes) {
    EXPECT_EQ(toDisplayLines(QStringLiteral("a\r\nb\rc\nd")), QStringLiteral("a\nb\nc\nd"));
    // A box's document: line separators, a paragraph every 32 lines.
    QString text;
    for (int i = 0; i < 70; ++i) text += QString::number(i) + QStringLiteral("\r\n");
    const QString doc = toDocumentText(text);
    EXPECT_EQ(doc.count(QChar('\n')), 70 / kLinesPerParagraph);
    EXPECT_EQ(doc.count(QChar(QChar::LineSeparator)), 70 - 70 / kLinesPerParagraph);
    EXPECT_EQ(doc.count(QChar('\r')), 0);
    EXPECT_EQ(toCrLfLines(doc), text);
    EXPECT_EQ(toDocumentText(QStringLiteral("a\rb\nc")), QStringLiteral("a\u2028b\u2028c"));
    EXPECT_EQ(toCrLfLines(QStringLiteral("a\nb\n")), QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(toCrLfLines(toDisplayLines(QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n"))),
              QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n"));
}

TEST(DocumentForm, LongLinesInPiecesAndLineEndsOtherThanCrLfNoted) {
    // A line of 2,500 characters with a blank in its second half is cut
    // after that blank; one without blanks at the longest run.
    QString line = QString(kLongestShownRun - 10, QChar(u'a')) + QChar(u' ') + QString(1500, QChar(u'b'));
    const DocumentForm form = documentForm(QStringLiteral("x\r\n") + line + QStringLiteral("\ny\rz"), LineEnd::CrLf);
    const QStringList paragraphs = form.text.split(QChar(u'\n'));
    ASSERT_EQ(paragraphs.size(), 3);
    EXPECT_EQ(paragraphs[0], QStringLiteral("x\u2028") + QString(kLongestShownRun - 10, QChar(u'a')) + QChar(u' '));
    EXPECT_EQ(paragraphs[1], QString(kLongestShownRun, QChar(u'b')));
    EXPECT_EQ(paragraphs[2], QString(500, QChar(u'b')) + QStringLiteral("\u2028y\u2028z"));
    EXPECT_EQ(form.continuedParagraphs, (std::vector<int>{1, 2}));
    // The LF after the long line and the CR after "y", by document position.
    ASSERT_EQ(form.otherEnds.positions.size(), 2u);
    EXPECT_EQ(form.text.at(form.otherEnds.positions[0]), QChar(QChar::LineSeparator));
    EXPECT_EQ(form.otherEnds.at(form.otherEnds.positions[0]), LineEnd::Lf);
    EXPECT_EQ(form.otherEnds.at(form.otherEnds.positions[1]), LineEnd::Cr);
    EXPECT_EQ(form.otherEnds.at(1), LineEnd::CrLf);
    // A surrogate pair is never cut.
    QString pairs;
    for (int i = 0; i < kLongestShownRun; ++i) pairs += QString::fromUtf8("\xF0\x9F\x98\x80");
    const DocumentForm cut = documentForm(QChar(u'a') + pairs, LineEnd::CrLf);
    for (const QString& piece : cut.text.split(QChar(u'\n'))) EXPECT_FALSE(piece.back().isHighSurrogate());
}

}  // namespace
}  // namespace vexrun
