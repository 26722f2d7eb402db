// The window layer on a record of our own: every kind built at its place,
// the properties as bytes, the events with their arguments, one handler at a
// time, closing, message boxes and window handles.
#include <cstdio>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/qt/qt_backend.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"
#include "vexrun/kernel/qt/tests/test_program.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {
namespace {

using namespace vexrun::testing;

constexpr uint32_t kWindow = 0x52010001u;
constexpr uint32_t kLine = 0x16010001u, kMulti = 0x16010002u, kDisabledEdit = 0x16010003u, kLabel = 0x16010004u,
                   kButton = 0x16010005u, kQueueButton = 0x16010006u, kCheck = 0x16010007u,
                   kEmptyCheck = 0x16010008u, kShape = 0x16010009u, kSpin = 0x1601000Au, kMasked = 0x1601000Bu,
                   kSigned = 0x1601000Cu, kDrop = 0x1601000Du, kMessageButton = 0x1601000Eu;

QtBackend* gBackend = nullptr;
std::vector<std::string> gLog;

std::string textOf(uint32_t control, uint32_t property) {
    auto* block = reinterpret_cast<char*>(gBackend->getProperty(kWindow, control, property));
    std::string s(textView(block));
    freeBlock(block);
    return s;
}

void onCreated() { gLog.push_back("created label=" + textOf(kLabel, vx::kPropLabelCaption)); }
void onGoingAway() { gLog.push_back("going away text=" + textOf(kLine, vx::kPropEditText)); }
void onButton() { gLog.push_back("button"); }
void onQueueing() {
    gLog.push_back("first start");
    gBackend->raiseEvent(kWindow, kButton, vx::kEventClicked, EventArgs::none());
    gLog.push_back("first end");
}
void onMessage() {
    gLog.push_back("message " + std::to_string(gBackend->messageBox("\xB3\xF5\xB0\xE6", 0, "")));
}
void onCheck() { gLog.push_back("check " + std::to_string(gBackend->getProperty(kWindow, kCheck, 18))); }
void onSpin(int32_t n) { gLog.push_back("spin " + std::to_string(n)); }
void onDoubleClick(int32_t, int32_t, int32_t) { gLog.push_back("double-click"); }
void onKey(int32_t code, int32_t shift) { gLog.push_back("key " + std::to_string(code) + " " + std::to_string(shift)); }
void onDrop(char** path) { gLog.push_back("drop " + std::string(*path)); }

// Keys with a text no key of a US keyboard gives, as an input method sends them.
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

std::string gbk(const char* utf8) { return encodeText(QString::fromUtf8(utf8), TextEncoding::Gbk); }

// A 2x2 32-bit icon.
std::vector<uint8_t> smallIcon() {
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0};
    const uint32_t imageSize = 40 + 2 * 2 * 4 + 2 * 4;
    for (uint32_t v : {imageSize, 22u}) {
        for (int i = 0; i < 4; ++i) ico.push_back(uint8_t(v >> (8 * i)));
    }
    const uint8_t header[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};
    ico.insert(ico.end(), header, header + 40);
    for (int p = 0; p < 4; ++p) ico.insert(ico.end(), {0x30, 0x60, 0xC0, 0xFF});
    ico.insert(ico.end(), 8, 0);
    return ico;
}

class WindowLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testApplication();
        if (code_) return;  // made once for every fixture of this file
        code_ = new HandlerCode({reinterpret_cast<const void*>(&onCreated), reinterpret_cast<const void*>(&onGoingAway),
                                 reinterpret_cast<const void*>(&onButton), reinterpret_cast<const void*>(&onQueueing),
                                 reinterpret_cast<const void*>(&onMessage), reinterpret_cast<const void*>(&onCheck),
                                 reinterpret_cast<const void*>(&onSpin), reinterpret_cast<const void*>(&onDoubleClick),
                                 reinterpret_cast<const void*>(&onKey), reinterpret_cast<const void*>(&onDrop)});
        record_ = new image::WindowRecord(makeRecord());
        form_ = new std::vector<uint8_t>(image::writeWindowRecord(*record_));
        plintor_ = supportLibrary("plintor");
        dravolt_ = supportLibrary("dravolt");
    }

    void SetUp() override {
        ASSERT_TRUE(plintor_ && dravolt_);
        gLog.clear();
        backend_ = std::make_unique<QtBackend>([] {
            ProgramView v;
            v.code = code_->base();
            v.codeSize = code_->size();
            v.form = *form_;
            v.libraries = {nullptr, plintor_, dravolt_};
            return std::optional<ProgramView>(v);
        });
        backend_->setHeadless(true);
        gBackend = backend_.get();
        ASSERT_EQ(backend_->loadWindow(kWindow), 1);
        top_ = backend_->windowWidget();
        ASSERT_TRUE(top_);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(top_));
    }

    void TearDown() override {
        gBackend = nullptr;
        backend_.reset();
    }

    static uint32_t at(void (*f)()) { return code_->offset(reinterpret_cast<const void*>(f)); }
    template <typename F>
    static uint32_t at(F* f) {
        return code_->offset(reinterpret_cast<const void*>(f));
    }

    static image::WindowRecord makeRecord() {
        image::WindowSettings ws;
        ws.nameText = "Testwind";
        ws.icon = smallIcon();
        ws.caption = gbk("Tessaly-初版");
        image::EditBoxSettings line;
        line.text = "00:00:00,000";
        image::EditBoxSettings multi;
        multi.multiLine = true;
        multi.scrollBars = 3;
        multi.text = gbk("拖动srt字幕文件");
        image::LabelSettings label;
        label.textColour = 0x00FF8800u;
        label.caption = gbk("源0/4");
        image::ButtonSettings button;
        button.caption = gbk("调节");
        image::CheckBoxSettings check;
        check.checked = true;
        check.caption = gbk("分1段");
        image::CheckBoxSettings empty;
        empty.emptyBlock = true;
        image::ShapeSettings shape;
        shape.shape = 7;
        image::MaskedEditSettings masked;
        masked.mask = "00:00:00,000;1;0";
        masked.initialText = "  :  :  ,   ";
        masked.font.faceName = "MS Sans Serif";
        image::MaskedEditSettings signedBox = masked;
        signedBox.mask = "# 00:00:00,000;1;0";
        signedBox.initialText = "    :  :  ,   ";

        image::Window w;
        w.id = kWindow;
        w.elements = {
            element(vx::kWindowElementId, vx::kKindWindow, "", 50, 50, 420, 330, kVisible,
                    image::encodeWindowSettings(ws), {{0, at(&onCreated)}, {2, at(&onGoingAway)}}),
            element(kLine, vx::kKindEditBox, gbk("编辑框1"), 10, 10, 80, 24, kVisible | kTabStop,
                    image::encodeEditBoxSettings(line), {{-3, at(&onDoubleClick)}}),
            element(kMulti, vx::kKindEditBox, gbk("编辑框2"), 100, 10, 200, 100, kVisible | kTabStop,
                    image::encodeEditBoxSettings(multi)),
            element(kDisabledEdit, vx::kKindEditBox, gbk("编辑框3"), 10, 40, 80, 24, kVisible | kDisabled | kTabStop,
                    image::encodeEditBoxSettings(line), {{-3, at(&onDoubleClick)}}),
            element(kLabel, vx::kKindLabel, gbk("标签1"), 10, 70, 48, 16, kVisible | kDisabled,
                    image::encodeLabelSettings(label)),
            element(kButton, vx::kKindButton, gbk("按钮1"), 10, 100, 80, 32, kVisible | kTabStop,
                    image::encodeButtonSettings(button), {{0, at(&onButton)}}),
            element(kQueueButton, vx::kKindButton, gbk("按钮2"), 100, 140, 80, 32, kVisible | kTabStop,
                    image::encodeButtonSettings(button), {{0, at(&onQueueing)}}),
            element(kCheck, vx::kKindCheckBox, gbk("选择框1"), 10, 140, 56, 24, kVisible | kTabStop,
                    image::encodeCheckBoxSettings(check), {{0, at(&onCheck)}}),
            element(kEmptyCheck, vx::kKindCheckBox, gbk("选择框5"), 70, 140, 16, 16, kVisible | kTabStop, {}),
            element(kShape, vx::kKindShapeBox, gbk("外形框1"), 300, 120, 2, 72, kVisible,
                    image::encodeShapeSettings(shape)),
            element(kSpin, vx::kKindSpinControl, gbk("调节器1"), 180, 180, 16, 24, kVisible, {}, {{0, at(&onSpin)}}),
            element(kMasked, vx::kKindMaskedEditBox, gbk("掩码编辑框1"), 10, 180, 85, 24, kVisible | kTabStop,
                    image::encodeMaskedEditSettings(masked), {{-9, at(&onKey)}, {-3, at(&onDoubleClick)}}),
            element(kSigned, vx::kKindMaskedEditBox, gbk("掩码编辑框6"), 200, 180, 88, 24, kVisible | kTabStop,
                    image::encodeMaskedEditSettings(signedBox)),
            element(kDrop, vx::kKindDropTarget, gbk("拖放对象1"), 16, 220, 24, 24, 0,
                    image::encodeDropTargetSettings({}), {{3, at(&onDrop)}}),
            element(kMessageButton, vx::kKindButton, gbk("按钮3"), 200, 220, 80, 32, kVisible | kTabStop,
                    image::encodeButtonSettings(button), {{0, at(&onMessage)}}),
        };
        image::WindowRecord r;
        r.windows.push_back(std::move(w));
        return r;
    }

    QWidget* widgetOf(uint32_t id) const { return backend_->control(kWindow, id)->widget(); }

    void setText(uint32_t id, uint32_t property, std::string_view bytes) {
        char* block = newText(bytes);
        backend_->setProperty(kWindow, id, property, reinterpret_cast<uint64_t>(block));
        freeBlock(block);
    }

    static HandlerCode* code_;
    static image::WindowRecord* record_;
    static std::vector<uint8_t>* form_;
    static const SupportLibrary* plintor_;
    static const SupportLibrary* dravolt_;
    std::unique_ptr<QtBackend> backend_;
    QWidget* top_ = nullptr;
};

HandlerCode* WindowLayer::code_ = nullptr;
image::WindowRecord* WindowLayer::record_ = nullptr;
std::vector<uint8_t>* WindowLayer::form_ = nullptr;
const SupportLibrary* WindowLayer::plintor_ = nullptr;
const SupportLibrary* WindowLayer::dravolt_ = nullptr;

TEST_F(WindowLayer, BuildsEveryElementAtItsPlaceWithItsState) {
    EXPECT_EQ(top_->windowTitle(), QString::fromUtf8("Tessaly-初版"));
    EXPECT_FALSE(top_->windowIcon().isNull());
    // A fixed client area: the outer size less a Windows frame.
    EXPECT_EQ(top_->minimumSize(), top_->maximumSize());
    EXPECT_EQ(top_->size(), QSize(420 - 8, 330 - 34));

    for (const image::Element& e : record_->windows[0].elements) {
        if (e.kind == vx::kKindWindow) continue;
        Control* c = backend_->control(kWindow, e.id);
        ASSERT_TRUE(c) << e.id;
        QWidget* w = c->widget();
        if (e.kind == vx::kKindDropTarget) {
            EXPECT_EQ(w, nullptr);  // never shown, takes no space
            continue;
        }
        ASSERT_TRUE(w);
        EXPECT_EQ(w->parentWidget(), top_);
        EXPECT_EQ(w->geometry(), QRect(e.left, e.top, e.width, e.height)) << decodeText(e.name).toStdString();
        EXPECT_EQ(w->isVisible(), e.visible());
        EXPECT_EQ(w->isEnabled(), !e.disabled());
        EXPECT_EQ(w->focusPolicy() == Qt::StrongFocus, e.tabStop());
        EXPECT_EQ(backend_->controlByName(decodeText(e.name).toStdString()), c);
    }
    EXPECT_TRUE(qobject_cast<QLineEdit*>(widgetOf(kLine)));
    auto* multi = qobject_cast<QPlainTextEdit*>(widgetOf(kMulti));
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(multi->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(multi->toPlainText(), QString::fromUtf8("拖动srt字幕文件"));
    auto* label = qobject_cast<QLabel*>(widgetOf(kLabel));
    ASSERT_TRUE(label);
    // The record's own texts are GBK, even where the bytes (D4 B4) would
    // also read as UTF-8.
    EXPECT_EQ(label->text(), QString::fromUtf8("源0/4"));
    // A disabled label keeps its text colour.
    EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(0, 0x88, 0xFF));
    auto* check = qobject_cast<QCheckBox*>(widgetOf(kCheck));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(check->text(), QString::fromUtf8("分1段"));
    auto* empty = qobject_cast<QCheckBox*>(widgetOf(kEmptyCheck));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->isChecked());
    EXPECT_TRUE(empty->text().isEmpty());
    EXPECT_EQ(qobject_cast<QPushButton*>(widgetOf(kButton))->text(), QString::fromUtf8("调节"));
    auto* masked = qobject_cast<QLineEdit*>(widgetOf(kMasked));
    ASSERT_TRUE(masked);
    EXPECT_EQ(masked->text(), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(masked->font().pixelSize(), 13);
}

TEST_F(WindowLayer, CreatedEventRunsOnceWithTheControlsInPlace) {
    ASSERT_EQ(gLog.size(), 1u);
    EXPECT_EQ(gLog[0], "created label=" + gbk("源0/4"));
    EXPECT_EQ(backend_->handlersRun(), 1u);
    // Loading it again shows the same window and raises nothing.
    EXPECT_EQ(backend_->loadWindow(kWindow), 1);
    EXPECT_EQ(gLog.size(), 1u);
}

TEST_F(WindowLayer, ReadyCallbackRunsOnTheLoopAfterTheCreatedEvent) {
    QtBackend second([] {
        ProgramView v;
        v.code = code_->base();
        v.codeSize = code_->size();
        v.form = *form_;
        v.libraries = {nullptr, plintor_, dravolt_};
        return std::optional<ProgramView>(v);
    });
    gBackend = &second;
    gLog.clear();
    bool ready = false;
    second.setReadyCallback([&] {
        ready = true;
        gLog.push_back("ready");
    });
    second.loadWindow(kWindow);
    EXPECT_FALSE(ready);  // not before the loop runs
    QTRY_VERIFY(ready);
    ASSERT_EQ(gLog.size(), 2u);
    EXPECT_EQ(gLog[1], "ready");
    gBackend = backend_.get();
}

TEST_F(WindowLayer, TextsAreBytesInBothDirections) {
    const std::string gbkBytes = gbk("字幕文件") + "\x80\xFF";
    const std::string utf8Bytes = "\xE5\xAD\x97\xE5\xB9\x95 1\r\n00:00:01,000 --> 00:00:02,000\r\n";
    for (uint32_t id : {kLine, kMulti}) {
        for (const std::string& bytes : {gbkBytes, utf8Bytes, std::string()}) {
            setText(id, vx::kPropEditText, bytes);
            EXPECT_EQ(textOf(id, vx::kPropEditText), bytes);
        }
    }
    setText(kLabel, vx::kPropLabelCaption, gbkBytes);
    EXPECT_EQ(textOf(kLabel, vx::kPropLabelCaption), gbkBytes);
    // Every text comes back as a fresh block that the caller frees.
    setText(kLine, vx::kPropEditText, gbkBytes);
    const int64_t before = liveBlockCount();
    auto* block = reinterpret_cast<char*>(backend_->getProperty(kWindow, kLine, vx::kPropEditText));
    EXPECT_EQ(liveBlockCount(), before + 1);
    EXPECT_EQ(blockSize(block), gbkBytes.size() + 1);
    freeBlock(block);
}

TEST_F(WindowLayer, AUserEditIsEncodedInTheTextsOwnEncoding) {
    auto* line = qobject_cast<QLineEdit*>(widgetOf(kLine));
    setText(kLine, vx::kPropEditText, gbk("字"));
    line->setFocus();
    line->end(false);
    typeText(line, QString::fromUtf8("幕"));
    EXPECT_EQ(textOf(kLine, vx::kPropEditText), gbk("字幕"));

    setText(kLine, vx::kPropEditText, "\xE5\xAD\x97");  // UTF-8
    line->end(false);
    typeText(line, QString::fromUtf8("幕"));
    EXPECT_EQ(textOf(kLine, vx::kPropEditText), "\xE5\xAD\x97\xE5\xB9\x95");

    // A multi-line box gives an edit back with the text's own line ends; a
    // line added ends as the text's first line does.
    auto* multi = qobject_cast<QPlainTextEdit*>(widgetOf(kMulti));
    for (const char* end : {"\r\n", "\n"}) {
        setText(kMulti, vx::kPropEditText, std::string("1") + end + "2\r3" + end);
        multi->setFocus();
        multi->moveCursor(QTextCursor::End);
        QTest::keyClicks(multi, QStringLiteral("4"));
        QTest::keyClick(multi, Qt::Key_Return);
        multi->moveCursor(QTextCursor::Start);
        QTest::keyClick(multi, Qt::Key_Return);
        EXPECT_EQ(textOf(kMulti, vx::kPropEditText), std::string(end) + "1" + end + "2\r3" + end + "4" + end) << end;
    }

    // A paste replaces the whole text, with its own line ends.
    backend_->control(kWindow, kMulti)->pasteText(QString::fromUtf8("整个\n文本"));
    EXPECT_EQ(textOf(kMulti, vx::kPropEditText), gbk("整个\n文本"));
}

TEST_F(WindowLayer, IntegerPropertiesOfEachKind) {
    EXPECT_EQ(backend_->getProperty(kWindow, kDisabledEdit, vx::kPropEditDisabled), 1u);
    backend_->setProperty(kWindow, kDisabledEdit, vx::kPropEditDisabled, 0);
    EXPECT_TRUE(widgetOf(kDisabledEdit)->isEnabled());
    EXPECT_EQ(backend_->getProperty(kWindow, kDisabledEdit, vx::kPropEditDisabled), 0u);
    backend_->setProperty(kWindow, kLine, vx::kPropEditDisabled, 1);
    EXPECT_FALSE(widgetOf(kLine)->isEnabled());

    EXPECT_EQ(backend_->getProperty(kWindow, kLabel, vx::kPropLabelVisible), 1u);
    backend_->setProperty(kWindow, kLabel, vx::kPropLabelVisible, 0);
    EXPECT_FALSE(widgetOf(kLabel)->isVisible());
    EXPECT_EQ(backend_->getProperty(kWindow, kLabel, vx::kPropLabelVisible), 0u);

    EXPECT_EQ(backend_->getProperty(kWindow, kCheck, vx::kPropCheckState), 1u);
    backend_->setProperty(kWindow, kCheck, vx::kPropCheckState, 0);
    EXPECT_EQ(backend_->getProperty(kWindow, kCheck, vx::kPropCheckState), 0u);
    EXPECT_EQ(gLog.size(), 1u);  // setting a check state is no click
}

TEST_F(WindowLayer, MaskedBoxTextThroughProperty18) {
    EXPECT_EQ(textOf(kMasked, vx::kPropMaskedText), "  :  :  ,   ");
    setText(kSigned, vx::kPropMaskedText, "+");
    EXPECT_EQ(textOf(kSigned, vx::kPropMaskedText), "+   :  :  ,   ");
    EXPECT_EQ(qobject_cast<QLineEdit*>(widgetOf(kSigned))->text(), QStringLiteral("+ 00:00:00,000"));
}

TEST_F(WindowLayer, ClicksRaiseEvent0AfterTheControlChanged) {
    QTest::mouseClick(widgetOf(kButton), Qt::LeftButton);
    QTest::mouseClick(widgetOf(kCheck), Qt::LeftButton, {}, QPoint(8, 12));
    ASSERT_EQ(gLog.size(), 3u);
    EXPECT_EQ(gLog[1], "button");
    EXPECT_EQ(gLog[2], "check 0");  // the handler sees the toggled state
}

TEST_F(WindowLayer, SpinControlRaisesEvent0WithAnInteger) {
    QTest::mouseClick(widgetOf(kSpin), Qt::LeftButton, {}, QPoint(8, 4));
    QTest::mouseClick(widgetOf(kSpin), Qt::LeftButton, {}, QPoint(8, 20));
    ASSERT_EQ(gLog.size(), 3u);
    EXPECT_EQ(gLog[1], "spin 1");
    EXPECT_EQ(gLog[2], "spin -1");
}

TEST_F(WindowLayer, CommonEventsOnlyWhereBoundAndEnabled) {
    QTest::mouseDClick(widgetOf(kLine), Qt::LeftButton);
    QTest::mouseDClick(widgetOf(kDisabledEdit), Qt::LeftButton);  // disabled: no double-click
    QTest::mouseDClick(widgetOf(kMulti), Qt::LeftButton);         // bound to nothing
    ASSERT_EQ(gLog.size(), 2u);
    EXPECT_EQ(gLog[1], "double-click");

    QWidget* masked = widgetOf(kMasked);
    masked->setFocus();
    QTest::keyClick(masked, Qt::Key_Return);
    QTest::keyClick(masked, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(masked, Qt::Key_Enter, Qt::KeypadModifier);
    // Shift goes down as a key of its own first, as on Windows.
    const std::vector<std::string> keys(gLog.begin() + 2, gLog.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"key 13 0", "key 16 2", "key 65 2", "key 13 0"}));
}

TEST_F(WindowLayer, AnEventDuringAHandlerWaitsForItToReturn) {
    QTest::mouseClick(widgetOf(kQueueButton), Qt::LeftButton);
    ASSERT_EQ(gLog.size(), 4u);
    EXPECT_EQ(gLog[1], "first start");
    EXPECT_EQ(gLog[2], "first end");
    EXPECT_EQ(gLog[3], "button");
}

TEST_F(WindowLayer, HeadlessMessageBoxesAreRecordedAndGiveOk) {
    QTest::mouseClick(widgetOf(kMessageButton), Qt::LeftButton);
    ASSERT_EQ(gLog.size(), 2u);
    EXPECT_EQ(gLog[1], "message 1");
    const std::vector<std::string> shown = backend_->takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "\xB3\xF5\xB0\xE6");
    EXPECT_TRUE(backend_->takeMessages().empty());
    EXPECT_EQ(backend_->messageBox("x", 4, "caption"), 6);  // Yes of Yes/No
}

TEST_F(WindowLayer, WindowHandlesNameTheControlsWidgets) {
    const int32_t h = backend_->windowHandle(kWindow, kMulti);
    EXPECT_GT(h, 0);
    EXPECT_EQ(backend_->windowHandle(kWindow, kMulti), h);
    EXPECT_EQ(backend_->widgetForHandle(h), widgetOf(kMulti));
    EXPECT_NE(backend_->windowHandle(kWindow, kLine), h);
    EXPECT_EQ(backend_->widgetForHandle(backend_->windowHandle(kWindow, vx::kWindowElementId)), top_);
    EXPECT_EQ(backend_->windowHandle(kWindow, kDrop), 0);  // a drop target has no window
    EXPECT_EQ(backend_->widgetForHandle(999), nullptr);
}

TEST_F(WindowLayer, ClosingRunsTheGoingAwayHandlerBeforeAnythingIsDestroyed) {
    setText(kLine, vx::kPropEditText, "still here");
    QTimer::singleShot(0, top_, [this] { top_->close(); });
    const int loopResult = backend_->runMessageLoop();  // ends once the handler returned
    EXPECT_EQ(loopResult, 0);
    ASSERT_EQ(gLog.size(), 2u);
    EXPECT_EQ(gLog[1], "going away text=still here");
    EXPECT_FALSE(top_->isVisible());
}

TEST_F(WindowLayer, ATextByReferenceIsAFreshBlockReleasedAfterTheHandler) {
    const int64_t before = liveBlockCount();
    backend_->raiseEvent(kWindow, kDrop, vx::kEventFileDropped, EventArgs::textByReference("/tmp/a b.srt"));
    ASSERT_EQ(gLog.size(), 2u);
    EXPECT_EQ(gLog[1], "drop /tmp/a b.srt");
    EXPECT_EQ(liveBlockCount(), before);
    // An event the element does not bind calls nothing.
    backend_->raiseEvent(kWindow, kDrop, vx::kEventDoubleClicked, EventArgs::integers({1, 2, 3}));
    EXPECT_EQ(gLog.size(), 2u);
}

using WindowLayerFaults = WindowLayer;

TEST_F(WindowLayerFaults, AnUnknownPropertyOrControlEndsTheProgramWithItsName) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(backend_->getProperty(kWindow, kButton, 8), ::testing::ExitedWithCode(3),
                "0x16010005. has no property 8");
    EXPECT_EXIT(backend_->setProperty(kWindow, 0x16019999u, 8, 0), ::testing::ExitedWithCode(3),
                "has no control 0x16019999");
    EXPECT_EXIT(backend_->getProperty(0x52019999u, kButton, 8), ::testing::ExitedWithCode(3),
                "window 0x52019999 is not loaded");
}

}  // namespace
}  // namespace vexrun
