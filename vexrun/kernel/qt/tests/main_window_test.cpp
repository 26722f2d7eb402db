// The main window built from the window record inside the real program image
// (build/tessaly.img), with every handler replaced by an empty routine so
// that the window shows exactly what the record stores. Every element is
// compared with the record read back from the image.
#include <sys/mman.h>

#include <cstring>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "image/file_bytes.h"
#include "image/image_reader.h"
#include "vexrun/kernel/qt/qt_backend.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"
#include "vexrun/kernel/qt/tests/test_program.h"
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

TEST_F(RealRecord, FiftyThreeControlsAtTheirRecordPlacesAndStates) {
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
    EXPECT_EQ(controls, 53u);
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

}  // namespace
}  // namespace vexrun
