#include "vexrun/kernel/qt/clipboard_handover.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

namespace vexrun {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
}

// Waits for the manager's answer to our request window.
class AnswerFilter : public QAbstractNativeEventFilter {
public:
    explicit AnswerFilter(xcb_window_t requestor) : requestor_(requestor) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) return false;
        auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
        if (notify->requestor != requestor_) return false;
        answered = true;
        taken = notify->property != XCB_ATOM_NONE;
        loop.quit();
        return true;
    }
    bool answered = false;
    bool taken = false;
    QEventLoop loop;

private:
    xcb_window_t requestor_;
};

}  // namespace

bool handClipboardToManager(int timeoutMs) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !QGuiApplication::clipboard()->ownsClipboard()) return false;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;

    const xcb_atom_t manager = atom(c, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = atom(c, "SAVE_TARGETS");
    const xcb_atom_t property = atom(c, "VEXRUN_CLIPBOARD_SAVED");
    if (manager == XCB_ATOM_NONE || saveTargets == XCB_ATOM_NONE || property == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr);
    const bool managed = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    if (!managed) return false;

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t requestor = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    AnswerFilter filter(requestor);
    app->installNativeEventFilter(&filter);
    xcb_convert_selection(c, requestor, manager, saveTargets, property, XCB_CURRENT_TIME);
    xcb_flush(c);
    // The manager asks us for the contents meanwhile: the event loop serves it.
    QTimer::singleShot(timeoutMs, &filter.loop, &QEventLoop::quit);
    if (!filter.answered) filter.loop.exec(QEventLoop::ExcludeUserInputEvents);
    app->removeNativeEventFilter(&filter);
    xcb_destroy_window(c, requestor);
    xcb_flush(c);
    return filter.taken;
}

}  // namespace vexrun
