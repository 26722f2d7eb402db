// tessaly-drive: runs the program image under our kernel library on Qt's
// offscreen platform and acts on its window as a user would, from a script
// on standard input (one action a line, see script_line.h; the format of
// `show` is in show_line.h).
//
//   tessaly-drive [--image PATH] [--timing] < script
//
// With --timing it reports on standard error how long after its start the
// window was up (shown, its event 0 handler run) and how long each line
// took; a line's handlers run within it, so a click's time is the time until
// its handler has filled the window. A `progress` line after a cancelled box
// also says how long after 取消 the handler had returned.
// The image defaults to tessaly.img in the parent of the folder holding this
// program (build/tessaly.img). The kernel library is vexrun.vxr beside this
// program; the driver reaches its window layer through the library's own
// export, so one copy of the kernel runs the program.
//
// Exit status: whatever the program ends with (0 when its window closes or
// the message loop ends); 2 for a script line that cannot be read (the
// message names the line); 1 when an action cannot be carried out (a file
// that cannot be written) or the image or kernel library cannot be loaded.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QUrl>

#include "runtime/vexrun_interface.h"
#include "vexrun/driver/driver_run.h"
#include "vexrun/driver/script_line.h"
#include "vexrun/driver/show_line.h"
#include "vexrun/kernel/qt/driver_access.h"
#include "vexrun/kernel/qt/key_codes.h"

namespace {

std::u16string_view utf16(const QString& s) { return {reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())}; }

// The box files are dropped on.
constexpr const char* kSubtitleBox = "编辑框1";

class Driver : public drive::ScriptRun {
public:
    Driver(vexrun::DriverAccess* access, drive::Prepared& prepared) : ScriptRun(prepared), access_(access) {}

    // Runs the script on the loop thread; the end of the script ends the
    // program.
    void runToTheEnd() {
        if (run()) access_->quitMessageLoop();
    }

private:
    vexrun::Control& control(const std::string& name) {
        vexrun::Control* c = access_->controlByName(name);
        if (!c) fail("no control is named " + name);
        return *c;
    }
    QWidget* widgetOf(const std::string& name) {
        QWidget* w = control(name).widget();
        if (!w) fail(name + " is never shown, so nothing can be done to it");
        return w;
    }
    // Where the mouse goes on a control: the box of a check box, the middle
    // of anything else (inside the viewport of a scrolled box).
    static std::pair<QWidget*, QPoint> target(QWidget* w) {
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton opt;
            opt.initFrom(box);
            return {w, box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box).center()};
        }
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
            return {area->viewport(), area->viewport()->rect().center()};
        }
        return {w, w->rect().center()};
    }
    static void giveFocus(QWidget* w) {
        w->window()->activateWindow();
        w->setFocus(Qt::OtherFocusReason);
    }

    void settle() override { QCoreApplication::processEvents(); }

    bool perform(const drive::ScriptLine& line) override {
        using drive::Verb;
        switch (line.verb) {
            case Verb::Clipboard: QGuiApplication::clipboard()->setText(QString::fromStdString(line.argument)); return true;
            case Verb::ClipFile: {
                std::ifstream in(line.argument, std::ios::binary);
                if (!in) cannot("cannot read " + line.argument);
                const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                QGuiApplication::clipboard()->setText(access_->decodeForDisplay(bytes));
                return true;
            }
            case Verb::SaveClip: {
                const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
                std::ofstream out(line.argument, std::ios::binary | std::ios::trunc);
                out.write(text.constData(), std::streamsize(text.size()));
                out.close();
                if (!out) cannot("cannot write " + line.argument);
                return true;
            }
            case Verb::Paste:
            case Verb::Copy: {
                QWidget* w = widgetOf(line.control);
                if (!w->isEnabled()) return true;  // a disabled box takes no keys
                giveFocus(w);
                if (line.verb == Verb::Copy) QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(w, line.verb == Verb::Copy ? Qt::Key_C : Qt::Key_V, Qt::ControlModifier);
                return true;
            }
            case Verb::Type: typeInto(widgetOf(line.control), QString::fromStdString(line.argument)); return true;
            case Verb::Set: {
                vexrun::Control& c = control(line.control);
                if (c.widget() && !c.widget()->isEnabled()) return true;  // a disabled box takes no paste
                if (!c.pasteText(QString::fromStdString(line.argument))) fail(line.control + " takes no text");
                return true;
            }
            case Verb::Click: {
                auto [w, at] = target(widgetOf(line.control));
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
                return true;
            }
            case Verb::DoubleClick: {
                auto [w, at] = target(widgetOf(line.control));
                QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
                return true;
            }
            case Verb::Key: {
                QWidget* w = widgetOf(line.control);
                auto key = vexrun::qtKeyForWindowsCode(line.keyCode);
                if (!key) fail("no key gives the key code " + std::to_string(line.keyCode));
                giveFocus(w);
                QTest::keyClick(w, key->key, key->modifiers);
                return true;
            }
            case Verb::Spin: {
                if (access_->kindOf(line.control) != "spin control") fail(line.control + " is not a spin control");
                QWidget* w = widgetOf(line.control);
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(w->width() / 2, w->height() / 4));
                return true;
            }
            case Verb::Drop: dropFile(kSubtitleBox, line.argument); return true;
            case Verb::DropOn: dropFile(line.control, line.argument); return true;
            case Verb::Cancel: access_->cancelNextProgress(line.cancelAfterMs, line.cancelAtPercent); return true;
            case Verb::Progress:
                for (const vexrun::ProgressBoxRecord& box : access_->takeProgressBoxes()) {
                    auto shown = [](const std::string& utf8) { return QString::fromStdString(utf8); };
                    drive::printLine(drive::progressLine(utf16(shown(box.caption)), utf16(shown(box.firstStatus)),
                                                         utf16(shown(box.button)), box.ended));
                    reportCancel(box);
                }
                return true;
            case Verb::Show: show(line.control); return true;
            case Verb::Save: {
                const std::string bytes = control(line.control).contentBytes();
                std::ofstream out(line.argument, std::ios::binary | std::ios::trunc);
                out.write(bytes.data(), std::streamsize(bytes.size()));
                out.close();
                if (!out) cannot("cannot write " + line.argument);
                return true;
            }
            case Verb::SaveAs: saveAs(line); return true;
            case Verb::Messages:
                for (const std::string& m : access_->takeMessages()) {
                    drive::printLine(drive::escapeText(utf16(access_->decodeForDisplay(m))));
                }
                return true;
            case Verb::Shot: {
                QWidget* top = access_->windowWidget();
                if (!top || !top->grab().save(QString::fromStdString(line.argument), "PNG")) {
                    cannot("cannot save a picture to " + line.argument);
                }
                return true;
            }
            case Verb::Close:
                if (QWidget* top = access_->windowWidget()) top->close();
                return false;
            case Verb::Quit: access_->quitMessageLoop(); return false;
        }
        return true;
    }

    // The control's "save as", its dialog answered with the line's path or
    // accepted as it proposes; prints the name of the file it was told.
    void saveAs(const drive::ScriptLine& line) {
        access_->setSaveAnswer(line.argument);
        if (!control(line.control).saveAs()) fail(line.control + " offers no save");
        drive::printLine("save as " + drive::fileNameOf(access_->lastSavedPath()));
    }

    void typeInto(QWidget* w, const QString& text) {
        giveFocus(w);
        for (QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u >= 0x20 && u < 0x7F) {
                QTest::keyClick(w, char(u));
            } else {
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            }
        }
    }

    void dropFile(const std::string& box, const std::string& path) {
        auto [on, at] = target(widgetOf(box));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        bool taken = enter.isAccepted();
        if (taken) {
            QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &move);
            taken = move.isAccepted();
        }
        if (taken) {
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(on, &drop);
            taken = drop.isAccepted();
        } else {
            QDragLeaveEvent leave;
            QApplication::sendEvent(on, &leave);
        }
        if (!taken) std::fprintf(stderr, "tessaly-drive: %s refused the drop of %s\n", box.c_str(), path.c_str());
    }

    void show(const std::string& name) {
        vexrun::Control& c = control(name);
        drive::ShownState state;
        state.checked = c.checkState();
        if (QWidget* w = c.widget()) {
            state.enabled = w->isEnabled() ? 1 : 0;
            state.visible = w->isVisible();
        }
        drive::printLine(drive::showLine(name, utf16(c.contentText()), state));
    }

    vexrun::DriverAccess* access_;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    drive::Prepared prepared = drive::prepare({argv + 1, argv + argc}, vexrun::kDriverAccessExport);
    vexrun::DriverAccess* access = reinterpret_cast<vexrun::DriverAccessEntry>(prepared.driverAccess)();
    static Driver* driver = new Driver(access, prepared);
    access->setHeadless(true);
    access->setStartFile(prepared.startFile);
    access->setReadyCallback([] { driver->runToTheEnd(); });
    prepared.entry(prepared.image);  // ends the process
    return 0;
}
