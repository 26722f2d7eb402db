#include "vexrun/kernel/qt/qt_backend.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QShortcut>
#include <QStyleFactory>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "runtime/vexrun_interface.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/program_loader.h"
#include "vexrun/kernel/core/runtime_errors.h"
#include "vexrun/kernel/core/support_libraries.h"
#include "vexrun/kernel/qt/builtin_controls.h"
#include "vexrun/kernel/qt/clipboard_handover.h"
#include "vexrun/kernel/qt/common_events.h"
#include "vexrun/kernel/qt/ico_image.h"
#include "vexrun/kernel/qt/main_window.h"
#include "vexrun/kernel/qt/message_box.h"
#include "vexrun/kernel/qt/record_fonts.h"
#include "vexrun/kernel/qt/runtime_translations.h"
#include "vexrun/kernel/qt/text_codec.h"
#include "vexrun/kernel/window_frame.h"

namespace vexrun {

namespace {

std::string utf8Name(const std::string& gbkName) { return decodeImageText(gbkName).toStdString(); }

// Position, size and the three state flags of a control's widget.
void placeWidget(QWidget* widget, const image::Element& e) {
    widget->setGeometry(e.left, e.top, e.width, e.height);
    widget->setEnabled(!e.disabled());
    if (!e.visible()) widget->hide();
    if (e.tabStop()) {
        widget->setFocusPolicy(Qt::StrongFocus);
    } else if (widget->focusPolicy() != Qt::NoFocus) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
}

// On these platforms nobody can press a message box's button.
bool platformWithoutUser() {
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

constexpr int kScreenshotAttempts = 100;  // 20 ms apart
constexpr int kScreenshotRetryMs = 20;
constexpr int kClipboardHandoverMs = 3000;

}  // namespace

// The controls (of the base) are destroyed after the widgets.
struct QtBackend::LoadedWindow : BuiltWindow<Control> {
    std::unique_ptr<MainWindowWidget> widget;
};

std::optional<ProgramView> loadedProgramView() {
    const LoadedProgram* p = loadedProgram();
    if (!p) return std::nullopt;
    ProgramView v;
    v.code = p->code;
    v.codeSize = p->codeSize;
    v.form = p->form;
    const uint32_t n = loadedLibraryCount();
    v.libraries.resize(n, nullptr);
    for (uint32_t i = 1; i < n; ++i) v.libraries[i] = loadedLibrary(i);
    return v;
}

QtBackend::QtBackend(ProgramSource source) : source_(std::move(source)) {}

QtBackend::~QtBackend() { windows_.clear(); }

QApplication* QtBackend::ensureApplication() {
    static bool lookApplied = false;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        if (QCoreApplication::instance()) fatalError("the window system needs a widget application, and another kind runs");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            fatalError("there is no display to show the window on: set DISPLAY, or QT_QPA_PLATFORM=offscreen");
        }
        static int argc = 1;
        static char name[] = "tessaly";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    if (!lookApplied) {
        lookApplied = true;
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
        QApplication::setFont(controlFont());
        app->setQuitOnLastWindowClosed(false);
        installRuntimeTranslations(QLocale::system());
    }
    return app;
}

void QtBackend::fail(const std::string& message) { fatalError(message); }

Control* QtBackend::control(uint32_t windowId, uint32_t controlId) const {
    return windows_.control(windowId, controlId);
}

int32_t QtBackend::loadWindow(uint32_t windowId) {
    ensureApplication();
    if (LoadedWindow* open = windows_.find(windowId)) {
        open->widget->show();
        open->widget->raise();
        return 1;
    }
    std::optional<ProgramView> program = source_();
    if (!program) fatalError("loading window " + hex32(windowId) + ": no program is loaded");
    dispatcher_.setCode(program->code, program->codeSize);
    const auto [rw, selfElement, settings] = windowToBuild(record_, program->form, windowId);
    const image::Element& self = *selfElement;
    if (!librariesAttached_) {
        librariesAttached_ = true;
        attachWindowing<Windowing>(program->libraries, kWindowingAbi, static_cast<ControlHost*>(this));
    }

    auto w = std::make_unique<LoadedWindow>();
    w->start(windowId, *rw);
    w->widget = std::make_unique<MainWindowWidget>();
    MainWindowWidget* top = w->widget.get();
    top->setWindowTitle(decodeImageText(settings.caption));
    if (!settings.icon.empty()) {
        std::string error;
        QImage icon = decodeIco(settings.icon, error);
        if (icon.isNull()) {
            std::fprintf(stderr, "vexrun: the window icon cannot be shown: %s\n", error.c_str());
        } else {
            top->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
        }
    }
    const ClientSize client = clientSizeFor(*rw);
    top->setFixedSize(client.width, client.height);
    top->move(self.left, self.top);
    top->setEnabled(!self.disabled());

    QWidget* previousTabStop = nullptr;
    for (size_t i = 1; i < rw->elements.size(); ++i) {
        const image::Element& e = rw->elements[i];
        const std::string name = utf8Name(e.name);
        Control& c = w->make<Windowing>(name, builtinKind(e.kind), program->libraries,
                                        ControlContext{this, windowId, &e, top});
        if (QWidget* cw = c.widget()) {
            placeWidget(cw, e);
            cw->setObjectName(QString::fromStdString(name));
            CommonEventFilter::install(cw, this, windowId, e);
            if (e.tabStop()) {
                if (previousTabStop) QWidget::setTabOrder(previousTabStop, cw);
                previousTabStop = cw;
            }
        }
    }
    // An earlier element lies above a later one where they overlap.
    for (size_t i = w->controls.size(); i-- > 1;) {
        if (QWidget* cw = w->controls[i]->widget()) cw->raise();
    }

    LoadedWindow& loaded = windows_.add(std::move(w));
    top->setCloseRequest([this, &loaded] { return closeRequested(loaded); });
    // Ctrl+S saves the text of the box that offers a save.
    auto* save = new QShortcut(QKeySequence::Save, top);
    QObject::connect(save, &QShortcut::activated, top, [&loaded] {
        for (auto& c : loaded.controls) {
            if (c && c->saveAs()) return;
        }
    });
    if (self.visible()) top->show();
    windowShown(loaded);
    return 1;
}

void QtBackend::windowShown(LoadedWindow& w) {
    raiseEvent(w.id, w.record->elements[0].id, vx::kEventCreated, EventArgs::none());
    // The file the program was started with comes as a drop, once the window
    // is up and before the driver's script starts.
    if (auto zone = zones_.first(); zone && !startFile_.empty()) {
        fileDropped(zone->windowId, zone->dropTargetId, zone->box, std::exchange(startFile_, {}));
    }
    // The driver's script starts after the picture is taken, so that the
    // picture shows the window as it first appeared.
    std::function<void()> ready = std::move(ready_);
    ready_ = nullptr;
    QWidget* top = w.widget.get();
    QByteArray path = qgetenv("VEXRUN_SCREENSHOT");
    if (!screenshotTaken_ && !path.isEmpty()) {
        screenshotTaken_ = true;
        QTimer::singleShot(0, top, [this, top, p = path.toStdString(), ready] {
            saveScreenshotWhenPainted(top, p, kScreenshotAttempts, ready);
        });
    } else if (ready) {
        QTimer::singleShot(0, top, std::move(ready));
    }
}

void QtBackend::saveScreenshotWhenPainted(QWidget* window, std::string path, int attemptsLeft,
                                          std::function<void()> then) {
    QWindow* handle = window->windowHandle();
    if ((!handle || !handle->isExposed()) && attemptsLeft > 0) {
        QTimer::singleShot(kScreenshotRetryMs, window, [this, window, path, attemptsLeft, then] {
            saveScreenshotWhenPainted(window, path, attemptsLeft - 1, then);
        });
        return;
    }
    if (!window->grab().save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "vexrun: cannot save the window's picture to %s\n", path.c_str());
    }
    if (then) then();
}

bool QtBackend::closeRequested(LoadedWindow& w) {
    if (w.goingAway) return false;  // its handler is on its way
    w.goingAway = true;
    // The handler ends the process at once: what the user copied goes to the
    // clipboard manager first.
    handClipboardToManager(kClipboardHandoverMs);
    auto handler = image::handlerFor(w.record->elements[0], vx::kEventGoingAway);
    MainWindowWidget* top = w.widget.get();
    // Once the handler has returned (normally it ends the process first), the
    // window closes and the message loop ends.
    auto closeAndQuit = [top] {
        QTimer::singleShot(0, top, [top] {
            top->closeNow();
            QCoreApplication::exit(0);
        });
    };
    if (!handler) {
        closeAndQuit();
        return false;
    }
    dispatcher_.raise(*handler, EventArgs::none(), closeAndQuit);
    return false;
}

int32_t QtBackend::runMessageLoop() {
    ensureApplication();
    return QApplication::exec();
}

// exit(), not quit(): quit() would first ask every window to close, which
// raises the window's "going away" event.
void QtBackend::quitMessageLoop() { QCoreApplication::exit(0); }

uint64_t QtBackend::getProperty(uint32_t windowId, uint32_t controlId, uint32_t property) {
    return windows_.getProperty(windowId, controlId, property);
}

void QtBackend::setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) {
    windows_.setProperty(windowId, controlId, property, value);
}

std::string QtBackend::clipboardText() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    // The clipboard's text in the program's own code page.
    return encodeText(QGuiApplication::clipboard()->text(), TextEncoding::Gbk);
}

int32_t QtBackend::messageBox(std::string_view text, int32_t buttons, std::string_view caption) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    // Only the loop thread may show a box; the core reports faults on
    // standard error as well.
    if (!app || QThread::currentThread() != app->thread()) return firstButtonValue(buttons);
    if (headless_ || platformWithoutUser()) {
        messages_.emplace_back(text);
        if (!headless_) std::fprintf(stderr, "vexrun: message box: %s\n", decodeText(text).toUtf8().constData());
        return firstButtonValue(buttons);
    }
    QWidget* parent = windowWidget();
    QString title = decodeText(caption);
    if (title.isEmpty() && parent) title = parent->windowTitle();
    return showMessageBox(parent, title, decodeText(text), buttons);
}

int32_t QtBackend::windowHandle(uint32_t windowId, uint32_t controlId) {
    LoadedWindow& w = windows_.window(windowId, "window handle of a control");
    if (controlId == 0 || controlId == w.record->elements[0].id) return handles_.handleFor(w.widget.get());
    QWidget* widget = windows_.controlOf(windowId, controlId, "window handle of a control").widget();
    return widget ? handles_.handleFor(widget) : 0;
}

void QtBackend::shutdown() {
    handClipboardToManager(kClipboardHandoverMs);
    for (auto& [id, w] : windows_) w->widget->hide();
}

void QtBackend::raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) {
    if (auto handler = windows_.handlerFor(windowId, elementId, event)) dispatcher_.raise(*handler, std::move(args));
}

void QtBackend::dropZoneMade(uint32_t windowId, uint32_t dropTargetId, QWidget* box) {
    if (!zones_.contains(box)) QObject::connect(box, &QObject::destroyed, box, [this, box] { zones_.gone(box); });
    zones_.made(windowId, dropTargetId, box);
}

bool QtBackend::isDropZone(QWidget* box) const { return zones_.contains(box); }

// Taken once the drop event has returned: a message box inside it would hold
// the program the file came from.
void QtBackend::fileDropped(uint32_t windowId, uint32_t dropTargetId, QWidget* box, std::string path) {
    QTimer::singleShot(0, box, [this, windowId, dropTargetId, box, path = std::move(path)] {
        DropZones<QWidget*>::take(
            windowId, dropTargetId, box, zones_.isFirst(box), path,
            [this](uint32_t w, uint32_t e, int32_t event, EventArgs args) { raiseEvent(w, e, event, std::move(args)); },
            [this](const std::string& text) { showMessage(text); });
    });
}

bool QtBackend::runWithProgress(const ProgressBoxTexts& box, ProgressWork& work) {
    ProgressBoxRecord record;
    const bool done = runUnderProgressBox(windowWidget(), box, work, std::exchange(cancelPlan_, {}), record);
    progressBoxes_.push_back(std::move(record));
    return done;
}

void* QtBackend::newTextList(std::span<const std::string_view> texts) { return vexrun::newTextList(texts); }

std::vector<ProgressBoxRecord> QtBackend::takeProgressBoxes() { return std::exchange(progressBoxes_, {}); }

std::string QtBackend::askSavePath(const std::string& proposed) {
    std::string path;
    if (headless_ || platformWithoutUser()) {
        path = saveAnswer_.empty() ? proposed : saveAnswer_;
    } else {
        const QString picked = QFileDialog::getSaveFileName(
            windowWidget(), QStringLiteral("另存为"), QFile::decodeName(QByteArray::fromStdString(proposed)),
            QStringLiteral("字幕文件 (*.srt *.ass *.ssa *.vtt *.sub *.txt);;所有文件 (*)"));
        if (picked.isEmpty()) return {};
        path = QFile::encodeName(picked).toStdString();
    }
    lastSaved_ = path;
    return path;
}

std::vector<std::string> QtBackend::takeMessages() {
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}

QWidget* QtBackend::windowWidget() const { return windows_.empty() ? nullptr : windows_.first()->widget.get(); }

Control* QtBackend::controlByName(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->controls[index].get() : nullptr;
}

std::string QtBackend::kindOf(std::string_view name) const {
    const auto [w, index] = windows_.named(name);
    return w ? w->kindNames[index] : std::string();
}

QString QtBackend::decodeForDisplay(std::string_view bytes) const { return decodeText(bytes); }

}  // namespace vexrun
