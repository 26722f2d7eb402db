#include "vexrun/kernel/qt/qt_backend.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
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

namespace vexrun {

namespace {

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

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

struct QtBackend::LoadedWindow {
    uint32_t id = 0;
    const image::Window* record = nullptr;
    // Controls are destroyed after the widgets (members go in reverse order).
    std::vector<std::unique_ptr<Control>> controls;  // by element index; [0] is the window
    std::vector<std::string> kindNames;
    std::map<uint32_t, size_t> byId;
    std::map<std::string, size_t, std::less<>> byName;  // UTF-8 names
    std::unique_ptr<MainWindowWidget> widget;
    bool goingAway = false;
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

QtBackend::LoadedWindow& QtBackend::window(uint32_t windowId, const char* what) const {
    auto it = windows_.find(windowId);
    if (it == windows_.end()) fatalError(std::string(what) + ": window " + hex32(windowId) + " is not loaded");
    return *it->second;
}

std::string QtBackend::describe(const LoadedWindow& w, uint32_t controlId) const {
    auto it = w.byId.find(controlId);
    if (it == w.byId.end()) return "control " + hex32(controlId);
    return w.kindNames[it->second] + " " + utf8Name(w.record->elements[it->second].name) + " (" + hex32(controlId) +
           ")";
}

Control& QtBackend::controlOf(uint32_t windowId, uint32_t controlId, const char* what) const {
    LoadedWindow& w = window(windowId, what);
    auto it = w.byId.find(controlId);
    if (it == w.byId.end() || it->second == 0) {
        fatalError(std::string(what) + ": window " + hex32(windowId) + " has no control " + hex32(controlId));
    }
    return *w.controls[it->second];
}

Control* QtBackend::control(uint32_t windowId, uint32_t controlId) const {
    auto wi = windows_.find(windowId);
    if (wi == windows_.end()) return nullptr;
    auto it = wi->second->byId.find(controlId);
    if (it == wi->second->byId.end()) return nullptr;
    return wi->second->controls[it->second].get();
}

void QtBackend::attachLibraries(const ProgramView& program) {
    if (librariesAttached_) return;
    librariesAttached_ = true;
    for (const SupportLibrary* lib : program.libraries) {
        if (!lib || !lib->windowing) continue;
        const auto* windowing = static_cast<const Windowing*>(lib->windowing);
        if (windowing->abi != kWindowingAbi) {
            fatalError(std::string("support library ") + lib->name + " was built for another window layer (version " +
                       std::to_string(windowing->abi) + ", this is " + std::to_string(kWindowingAbi) + ")");
        }
        if (windowing->attach) windowing->attach(this);
    }
}

Control* QtBackend::makeControl(LoadedWindow& w, const image::Element& e, const ProgramView& program) {
    ControlContext context{this, w.id, &e, w.widget.get()};
    std::string error;
    Control* made = nullptr;
    const uint32_t library = vx::kindLibraryNumber(e.kind);
    if (library == 1) {
        const BuiltinKind* kind = builtinKind(e.kind);
        if (!kind) fatalError("control " + utf8Name(e.name) + " is of kind " + hex32(e.kind) + ", which is not known");
        w.kindNames.push_back(kind->name);
        made = kind->create(context, error);
    } else {
        const SupportLibrary* lib = library >= 1 && library - 1 < program.libraries.size()
                                        ? program.libraries[library - 1]
                                        : nullptr;
        if (!lib) {
            fatalError("control " + utf8Name(e.name) + " is of kind " + hex32(e.kind) + " of library " +
                       std::to_string(library) + ", which is not loaded");
        }
        const ControlKind* kind = nullptr;
        if (lib->windowing) {
            for (const ControlKind& k : static_cast<const Windowing*>(lib->windowing)->kindList()) {
                if (k.kindNumber == vx::kindNumber(e.kind)) kind = &k;
            }
        }
        if (!kind) {
            fatalError("control " + utf8Name(e.name) + " is of kind " + hex32(e.kind) + ", which support library " +
                       lib->name + " does not provide");
        }
        w.kindNames.push_back(kind->name);
        made = kind->create(context, error);
    }
    if (!made) fatalError("cannot make control " + utf8Name(e.name) + ": " + error);
    return made;
}

int32_t QtBackend::loadWindow(uint32_t windowId) {
    ensureApplication();
    if (auto it = windows_.find(windowId); it != windows_.end()) {
        it->second->widget->show();
        it->second->widget->raise();
        return 1;
    }
    std::optional<ProgramView> program = source_();
    if (!program) fatalError("loading window " + hex32(windowId) + ": no program is loaded");
    dispatcher_.setCode(program->code, program->codeSize);
    if (!record_) {
        image::RecordError error;
        record_ = image::readWindowRecord(program->form, error);
        if (!record_) fatalError("the window record cannot be read: " + error.message);
    }
    const image::Window* rw = record_->window(windowId);
    if (!rw) fatalError("the window record has no window " + hex32(windowId));
    if (rw->elements.empty() || rw->elements[0].kind != vx::kKindWindow) {
        fatalError("window " + hex32(windowId) + " of the window record does not start with its window element");
    }
    const image::Element& self = rw->elements[0];
    auto settings = image::decodeWindowSettings(self.extension);
    if (!settings) fatalError("the settings of window " + hex32(windowId) + " cannot be read");
    attachLibraries(*program);

    auto w = std::make_unique<LoadedWindow>();
    w->id = windowId;
    w->record = rw;
    w->widget = std::make_unique<MainWindowWidget>();
    MainWindowWidget* top = w->widget.get();
    top->setWindowTitle(decodeImageText(settings->caption));
    if (!settings->icon.empty()) {
        std::string error;
        QImage icon = decodeIco(settings->icon, error);
        if (icon.isNull()) {
            std::fprintf(stderr, "vexrun: the window icon cannot be shown: %s\n", error.c_str());
        } else {
            top->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
        }
    }
    top->setFixedSize(clientSizeFor(*rw));
    top->move(self.left, self.top);
    top->setEnabled(!self.disabled());

    w->controls.emplace_back();  // the window element itself
    w->kindNames.emplace_back("window");
    w->byId[self.id] = 0;
    QWidget* previousTabStop = nullptr;
    for (size_t i = 1; i < rw->elements.size(); ++i) {
        const image::Element& e = rw->elements[i];
        if (w->byId.count(e.id)) fatalError("window " + hex32(windowId) + " holds control " + hex32(e.id) + " twice");
        Control* c = makeControl(*w, e, *program);
        w->controls.emplace_back(c);
        w->byId[e.id] = i;
        w->byName.emplace(utf8Name(e.name), i);
        if (QWidget* cw = c->widget()) {
            placeWidget(cw, e);
            cw->setObjectName(QString::fromStdString(utf8Name(e.name)));
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

    LoadedWindow& loaded = *w;
    top->setCloseRequest([this, &loaded] { return closeRequested(loaded); });
    windows_[windowId] = std::move(w);
    if (self.visible()) top->show();
    windowShown(loaded);
    return 1;
}

void QtBackend::windowShown(LoadedWindow& w) {
    raiseEvent(w.id, w.record->elements[0].id, vx::kEventCreated, EventArgs::none());
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
    Control& c = controlOf(windowId, controlId, "getting a control property");
    switch (c.propertyType(property)) {
        case PropertyType::Integer: return uint32_t(c.integerProperty(property));
        case PropertyType::Text: return reinterpret_cast<uint64_t>(newText(c.textProperty(property)));
        case PropertyType::Unknown: break;
    }
    fatalError("getting a control property: " + describe(window(windowId, ""), controlId) + " has no property " +
               std::to_string(property));
}

void QtBackend::setProperty(uint32_t windowId, uint32_t controlId, uint32_t property, uint64_t value) {
    Control& c = controlOf(windowId, controlId, "setting a control property");
    switch (c.propertyType(property)) {
        case PropertyType::Integer: c.setIntegerProperty(property, int32_t(uint32_t(value))); return;
        case PropertyType::Text: c.setTextProperty(property, textView(reinterpret_cast<const char*>(value))); return;
        case PropertyType::Unknown: break;
    }
    fatalError("setting a control property: " + describe(window(windowId, ""), controlId) + " has no property " +
               std::to_string(property));
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
    LoadedWindow& w = window(windowId, "window handle of a control");
    if (controlId == 0 || controlId == w.record->elements[0].id) return handles_.handleFor(w.widget.get());
    QWidget* widget = controlOf(windowId, controlId, "window handle of a control").widget();
    return widget ? handles_.handleFor(widget) : 0;
}

void QtBackend::shutdown() {
    handClipboardToManager(kClipboardHandoverMs);
    for (auto& [id, w] : windows_) w->widget->hide();
}

void QtBackend::raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) {
    auto wi = windows_.find(windowId);
    if (wi == windows_.end()) return;
    auto it = wi->second->byId.find(elementId);
    if (it == wi->second->byId.end()) return;
    auto handler = image::handlerFor(wi->second->record->elements[it->second], event);
    if (!handler) return;
    dispatcher_.raise(*handler, std::move(args));
}

std::vector<std::string> QtBackend::takeMessages() {
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}

QWidget* QtBackend::windowWidget() const { return windows_.empty() ? nullptr : windows_.begin()->second->widget.get(); }

Control* QtBackend::controlByName(std::string_view name) const {
    for (const auto& [id, w] : windows_) {
        auto it = w->byName.find(name);
        if (it != w->byName.end()) return w->controls[it->second].get();
    }
    return nullptr;
}

std::string QtBackend::kindOf(std::string_view name) const {
    for (const auto& [id, w] : windows_) {
        auto it = w->byName.find(name);
        if (it != w->byName.end()) return w->kindNames[it->second];
    }
    return {};
}

QString QtBackend::decodeForDisplay(std::string_view bytes) const { return decodeText(bytes); }

}  // namespace vexrun
