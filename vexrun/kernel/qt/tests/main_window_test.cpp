// The main window built from the window record inside the real program image
// (build/tessaly.img), with every handler replaced by an empty routine so
// that the window shows exactly what the record stores. Every element is
// compared with the record read back from the image.
#include <sys/mman.h>

#include <cstring>

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetrics>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "image/file_bytes.h"
#include "image/gbk_text.h"
#include "image/image_reader.h"
#include "vexrun/kernel/qt/qt_backend.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"
#include "vexrun/kernel/qt/tests/test_program.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/text_area.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

using namespace vexrun::testing;

constexpr uint8_t kReturn = 0xC3;

class RealRecord : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testApplication();
        std::string error;
        const std::string path = buildDir() + "/tessaly.img";
        auto bytes = image::readFileBytes(path, error);
        ASSERT_TRUE(bytes) << error;
        image_ = new std::vector<uint8_t>(std::move(*bytes));
        image::ImageError imageError;
        auto view = image::readImage(*image_, imageError);
        ASSERT_TRUE(view) << imageError.message;
        const image::SectionView* form = view->section("form");
        const image::SectionView* code = view->section("code");
        ASSERT_TRUE(form && code);
        form_ = new std::vector<uint8_t>(form->data.begin(), form->data.end());
        image::RecordError recordError;
        auto record = image::readWindowRecord(*form_, recordError);
        ASSERT_TRUE(record) << recordError.message;
        record_ = new image::WindowRecord(std::move(*record));
        // Code of the same size in which every handler returns at once.
        codeSize_ = code->sizeInFile;
        void* at = mmap(nullptr, codeSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(at, MAP_FAILED);
        std::memset(at, kReturn, codeSize_);
        mprotect(at, codeSize_, PROT_READ | PROT_EXEC);
        code_ = static_cast<const uint8_t*>(at);
        plintor_ = supportLibrary("plintor");
        dravolt_ = supportLibrary("dravolt");
    }

    void SetUp() override {
        ASSERT_TRUE(record_ && plintor_ && dravolt_);
        backend_ = std::make_unique<QtBackend>([] {
            ProgramView v;
            v.code = code_;
            v.codeSize = codeSize_;
            v.form = *form_;
            v.libraries = {nullptr, plintor_, dravolt_};
            return std::optional<ProgramView>(v);
        });
        backend_->setHeadless(true);
        ASSERT_EQ(backend_->loadWindow(vx::kMainWindowId), 1);
        top_ = backend_->windowWidget();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(top_));
    }

    const image::Window& window() const { return *record_->window(vx::kMainWindowId); }

    static std::vector<uint8_t>* image_;
    static std::vector<uint8_t>* form_;
    static image::WindowRecord* record_;
    static const uint8_t* code_;
    static uint32_t codeSize_;
    static const SupportLibrary* plintor_;
    static const SupportLibrary* dravolt_;
    std::unique_ptr<QtBackend> backend_;
    QWidget* top_ = nullptr;
};

std::vector<uint8_t>* RealRecord::image_ = nullptr;
std::vector<uint8_t>* RealRecord::form_ = nullptr;
image::WindowRecord* RealRecord::record_ = nullptr;
const uint8_t* RealRecord::code_ = nullptr;
uint32_t RealRecord::codeSize_ = 0;
const SupportLibrary* RealRecord::plintor_ = nullptr;
const SupportLibrary* RealRecord::dravolt_ = nullptr;

TEST_F(RealRecord, TheWindowShowsItsCaptionIconAndTheWholeLayout) {
    const image::Element& self = window().elements.at(0);
    auto settings = image::decodeWindowSettings(self.extension);
    ASSERT_TRUE(settings);
    EXPECT_EQ(top_->windowTitle(), decodeImageText(settings->caption));
    EXPECT_EQ(top_->windowTitle(), QString::fromUtf8("Tessaly-初版"));
    ASSERT_FALSE(top_->windowIcon().isNull());
    EXPECT_TRUE(top_->windowIcon().availableSizes().contains(QSize(48, 48)));
    EXPECT_EQ(top_->minimumSize(), top_->maximumSize());
    // Every control lies inside the client area.
    int right = 0, bottom = 0;
    for (const image::Element& e : window().elements) {
        if (e.kind == vx::kKindWindow || !e.visible()) continue;
        right = std::max(right, e.left + e.width);
        bottom = std::max(bottom, e.top + e.height);
    }
    EXPECT_EQ(right, 870);
    EXPECT_EQ(bottom, 566);
    EXPECT_GE(top_->width(), right);
    EXPECT_GE(top_->height(), bottom);
    EXPECT_LE(top_->width(), self.width);
    EXPECT_LE(top_->height(), self.height);
}

TEST_F(RealRecord, FiftyFourControlsAtTheirRecordPlacesAndStates) {
    size_t controls = 0;
    for (const image::Element& e : window().elements) {
        if (e.kind == vx::kKindWindow) continue;
        ++controls;
        const std::string name = decodeImageText(e.name).toStdString();
        SCOPED_TRACE(name);
        Control* c = backend_->controlByName(name);
        ASSERT_TRUE(c);
        EXPECT_EQ(c, backend_->control(vx::kMainWindowId, e.id));
        QWidget* w = c->widget();
        if (e.kind == vx::kKindDropTarget) {
            EXPECT_EQ(w, nullptr);
            continue;
        }
        ASSERT_TRUE(w);
        EXPECT_EQ(w->geometry(), QRect(e.left, e.top, e.width, e.height));
        EXPECT_EQ(w->isVisible(), e.visible());
        EXPECT_EQ(w->isEnabled(), !e.disabled());
        EXPECT_EQ(w->focusPolicy() == Qt::StrongFocus, e.tabStop());

        switch (e.kind) {
            case vx::kKindEditBox: {
                auto s = image::decodeEditBoxSettings(e.extension);
                ASSERT_TRUE(s);
                EXPECT_EQ(c->contentBytes(), s->text);
                EXPECT_EQ(c->contentText(), decodeImageText(s->text));
                if (s->multiLine) {
                    auto* edit = qobject_cast<QPlainTextEdit*>(w);
                    ASSERT_TRUE(edit);
                    EXPECT_EQ(edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, bool(s->scrollBars & 2));
                    EXPECT_EQ(edit->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, bool(s->scrollBars & 1));
                } else {
                    auto* edit = qobject_cast<QLineEdit*>(w);
                    ASSERT_TRUE(edit);
                    EXPECT_EQ(edit->text(), decodeImageText(s->text));
                }
                break;
            }
            case vx::kKindLabel: {
                auto s = image::decodeLabelSettings(e.extension);
                ASSERT_TRUE(s);
                auto* label = qobject_cast<QLabel*>(w);
                ASSERT_TRUE(label);
                EXPECT_EQ(label->text(), decodeImageText(s->caption));
                const QColor colour(int(s->textColour & 0xFF), int((s->textColour >> 8) & 0xFF),
                                    int((s->textColour >> 16) & 0xFF));
                EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText), colour);
                break;
            }
            case vx::kKindButton: {
                auto s = image::decodeButtonSettings(e.extension);
                ASSERT_TRUE(s);
                EXPECT_EQ(qobject_cast<QPushButton*>(w)->text(), decodeImageText(s->caption));
                break;
            }
            case vx::kKindCheckBox: {
                auto s = image::decodeCheckBoxSettings(e.extension);
                ASSERT_TRUE(s);
                auto* box = qobject_cast<QCheckBox*>(w);
                ASSERT_TRUE(box);
                EXPECT_EQ(box->text(), decodeImageText(s->caption));
                EXPECT_EQ(box->isChecked(), s->checked);
                EXPECT_EQ(c->checkState(), s->checked ? 1 : 0);
                break;
            }
            case vx::kKindMaskedEditBox: {
                auto s = image::decodeMaskedEditSettings(e.extension);
                ASSERT_TRUE(s);
                EXPECT_EQ(c->textProperty(vx::kPropMaskedText), s->initialText);
                auto* edit = qobject_cast<QLineEdit*>(w);
                ASSERT_TRUE(edit);
                // Blank: every digit position shows the display character.
                QString shown = QString::fromLatin1(s->initialText);
                shown.replace(QChar(' '), QChar('0'));
                if (s->mask.rfind("# ", 0) == 0) shown[1] = QChar(' ');
                EXPECT_EQ(edit->text(), shown);
                EXPECT_EQ(edit->font().pixelSize(), 13);
                break;
            }
            default: break;
        }
    }
    EXPECT_EQ(controls, 54u);
}

TEST_F(RealRecord, TheBoxesAreLegibleWithTheirTexts) {
    // Each time text shows whole in its box.
    for (const image::Element& e : window().elements) {
        if (e.kind != vx::kKindEditBox && e.kind != vx::kKindMaskedEditBox) continue;
        auto* edit = qobject_cast<QLineEdit*>(backend_->control(vx::kMainWindowId, e.id)->widget());
        if (!edit) continue;
        const int room = edit->width() - 2 * 1 - 2 * 2;  // frame and the line edit's margins
        EXPECT_LE(QFontMetrics(edit->font()).horizontalAdvance(edit->text()), room)
            << decodeImageText(e.name).toStdString();
    }
}

// The widest result lines a fit gives: a ratio in its shortest exact form of
// 17 significant digits with a sign, and a shift of 11 characters; and the
// line of a real four-segment fit that was once cut off.
TEST_F(RealRecord, EveryResultLabelShowsTheWidestResultLinesWhole) {
    const struct {
        uint32_t id;
        const char* line;
    } lines[] = {
        {0x1601017B, "缩放比率1 = -0.12345678901234567   平移1 = -2147483648"},
        {0x1601017C, "缩放比率2 = 2.4654516666666666   平移2 = -1805085"},
        {0x1601017D, "缩放比率3 = -0.98765432109876543   平移3 = -1999999999"},
        {0x1601017E, "缩放比率4 = -0.88888888888888884   平移4 = -2147483648"},
    };
    for (const auto& l : lines) {
        SCOPED_TRACE(l.line);
        const std::string gbk = image::utf8ToGbk(l.line).value();
        backend_->setProperty(vx::kMainWindowId, l.id, vx::kPropLabelCaption, reinterpret_cast<uint64_t>(gbk.c_str()));
        auto* label = qobject_cast<QLabel*>(backend_->control(vx::kMainWindowId, l.id)->widget());
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text(), QString::fromUtf8(l.line));
        // The kind's own font, not a reduced one, and all of the text inside
        // the label's 272 pixels.
        EXPECT_EQ(label->font().pixelSize(), kControlFontPixels);
        EXPECT_EQ(label->contentsRect().width(), 272);
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width());
        EXPECT_EQ(label->wordWrap(), false);
        // Drawn in the label's own colour although it is disabled and selectable.
        EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::Text), QColor(255, 80, 128));
    }
    // A caption no fit gives still shows whole: the font gets smaller.
    const std::string wide = std::string(60, '8');
    backend_->setProperty(vx::kMainWindowId, 0x1601017B, vx::kPropLabelCaption, reinterpret_cast<uint64_t>(wide.c_str()));
    auto* label = qobject_cast<QLabel*>(backend_->control(vx::kMainWindowId, 0x1601017B)->widget());
    EXPECT_LT(label->font().pixelSize(), kControlFontPixels);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), 272);
    // Every caption of the layout shows whole in its label at the kind's font.
    for (const image::Element& e : window().elements) {
        if (e.kind != vx::kKindLabel || e.id == 0x1601017B) continue;
        auto* l = qobject_cast<QLabel*>(backend_->control(vx::kMainWindowId, e.id)->widget());
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->contentsRect().width())
            << decodeImageText(e.name).toStdString();
    }
}

TEST_F(RealRecord, AResultLabelsTextIsSelectedWithTheMouseAndCopied) {
    const std::string gbk = image::utf8ToGbk("缩放比率2 = 2.4654516666666666   平移2 = -1805085").value();
    backend_->setProperty(vx::kMainWindowId, 0x1601017C, vx::kPropLabelCaption, reinterpret_cast<uint64_t>(gbk.c_str()));
    auto* label = qobject_cast<QLabel*>(backend_->control(vx::kMainWindowId, 0x1601017C)->widget());
    ASSERT_FALSE(label->isEnabled());  // as the record stores it
    // Drag over the ratio's digits: from just after "= " to the label's end.
    const QFontMetrics m(label->font());
    const int y = label->height() / 2;
    const int from = m.horizontalAdvance(QString::fromUtf8("缩放比率2 = ")) + 1;
    const int to = m.horizontalAdvance(QString::fromUtf8("缩放比率2 = 2.4654516666666666")) - 1;
    QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, QPoint(from, y));
    QTest::mouseMove(label, QPoint(to, y));
    QTest::mouseRelease(label, Qt::LeftButton, Qt::NoModifier, QPoint(to, y));
    EXPECT_EQ(label->selectedText(), QStringLiteral("2.4654516666666666"));
    // A right click offers to copy it.
    QTest::mouseClick(label, Qt::RightButton, Qt::NoModifier, QPoint(from, y));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    ASSERT_FALSE(menu->actions().isEmpty());
    menu->actions().first()->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("2.4654516666666666"));
}

TEST_F(RealRecord, TabMovesTheFocusOutOfTheSubtitleBoxAndBack) {
    auto* subtitles = qobject_cast<QPlainTextEdit*>(backend_->controlByName("编辑框1")->widget());
    ASSERT_TRUE(subtitles);
    top_->activateWindow();
    subtitles->setFocus();
    const std::string before = backend_->controlByName("编辑框1")->contentBytes();
    QTest::keyClick(subtitles, Qt::Key_Tab);
    // The next tab stop of the record's order after the subtitle box.
    EXPECT_EQ(QApplication::focusWidget(), backend_->controlByName("选择框9")->widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), subtitles);
    EXPECT_EQ(backend_->controlByName("编辑框1")->contentBytes(), before);  // no tab character went in
}

TEST_F(RealRecord, TheOutputBoxCopiesItsTextWithItsOwnLineEnds) {
    Control* output = backend_->controlByName("编辑框7");
    auto* box = dynamic_cast<TextArea*>(output->widget());
    ASSERT_TRUE(box);
    const std::string longLine(3 * kLongestShownRun + 7, 'x');  // shown in pieces
    const std::string text = "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + longLine + "\nLF\rCR\r\n\xC2\xA0nbsp\r\n";
    output->setTextProperty(vx::kPropEditText, text);
    EXPECT_GT(box->document()->blockCount(), 3);
    box->selectAll();
    box->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8().toStdString(), text);
    // Part of a line, across a piece of the long line.
    QTextCursor c = box->textCursor();
    c.setPosition(40);
    c.setPosition(40 + 2 * kLongestShownRun, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    box->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString(2 * kLongestShownRun - 2, QChar(u'x')));  // two breaks between pieces inside
    // After an edit every line keeps its end; the pieces stay one line.
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(QStringLiteral("end"));
    EXPECT_EQ(output->contentBytes(), text + "end");
}

TEST_F(RealRecord, APasteIntoTheSubtitleBoxKeepsEveryByte) {
    Control* subtitles = backend_->controlByName("编辑框1");
    auto* box = dynamic_cast<TextArea*>(subtitles->widget());
    ASSERT_TRUE(box);
    std::string text;
    for (int i = 1; i <= 200; ++i) text += std::to_string(i) + "\r\n00:00:01,000 --> 00:00:02,000\r\nline\r\n\r\n";
    text += std::string(2500, 'y') + "\r\n";
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    top_->activateWindow();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(subtitles->contentBytes(), text);
    // Pasted in front of a line: the line's own text follows the paste.
    box->moveCursor(QTextCursor::Start);
    QGuiApplication::clipboard()->setText(QStringLiteral("0\r\n"));
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(subtitles->contentBytes(), "0\r\n" + text);
}

TEST_F(RealRecord, TheFixedSizeWindowOffersNoMaximiseButton) {
    const Qt::WindowFlags flags = top_->windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
}

}  // namespace
}  // namespace vexrun
