// The clipboard handed to the desktop's clipboard manager before the process
// ends: on an X server of its own (Xvfb), with a small stand-in manager that
// takes the contents as the freedesktop convention has it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "vexrun/kernel/qt/clipboard_handover.h"

namespace vexrun {
namespace {

// An X server on a free display number; empty when none starts.
class XServer {
public:
    XServer() {
        for (int n = 300 + getpid() % 500, tries = 0; tries < 20 && display_.empty(); ++n, ++tries) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (access(lock.c_str(), F_OK) == 0 || access(socket.c_str(), F_OK) == 0) continue;
            const std::string display = ":" + std::to_string(n);
            pid_ = fork();
            if (pid_ == 0) {
                execlp("Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
                       static_cast<char*>(nullptr));
                _exit(127);
            }
            for (int i = 0; i < 100; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (access(socket.c_str(), F_OK) == 0) {
                    display_ = display;
                    break;
                }
                if (waitpid(pid_, nullptr, WNOHANG) == pid_) {  // it gave up on this number
                    pid_ = -1;
                    break;
                }
            }
        }
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

// Owns CLIPBOARD_MANAGER; on SAVE_TARGETS it reads the clipboard's text and
// then answers the requester.
class StandInManager {
public:
    explicit StandInManager(const std::string& display) : thread_([this, display] { run(display); }) {
        while (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~StandInManager() {
        stop_ = true;
        thread_.join();
    }
    // What it took, once it answered (empty after 5 s without).
    std::string saved() const {
        for (int i = 0; i < 1000 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done_ ? saved_ : std::string();
    }

private:
    void run(const std::string& display) {
        xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_window_t self = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, self, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t manager = atom(c, "CLIPBOARD_MANAGER"), save = atom(c, "SAVE_TARGETS"),
                         clipboard = atom(c, "CLIPBOARD"), utf8 = atom(c, "UTF8_STRING"), into = atom(c, "STAND_IN");
        xcb_set_selection_owner(c, self, manager, XCB_CURRENT_TIME);
        xcb_flush(c);
        ready_ = true;
        xcb_selection_request_event_t request{};
        while (!stop_) {
            xcb_generic_event_t* e = xcb_poll_for_event(c);
            if (!e) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            const uint8_t type = e->response_type & 0x7F;
            if (type == XCB_SELECTION_REQUEST) {
                request = *reinterpret_cast<xcb_selection_request_event_t*>(e);
                if (request.selection == manager && request.target == save) {
                    xcb_convert_selection(c, self, clipboard, utf8, into, XCB_CURRENT_TIME);
                    xcb_flush(c);
                }
            } else if (type == XCB_SELECTION_NOTIFY) {
                auto* n = reinterpret_cast<xcb_selection_notify_event_t*>(e);
                if (n->property != XCB_ATOM_NONE) {
                    auto* p = xcb_get_property_reply(c, xcb_get_property(c, 1, self, into, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
                                                     nullptr);
                    if (p) saved_.assign(static_cast<const char*>(xcb_get_property_value(p)), size_t(xcb_get_property_value_length(p)));
                    free(p);
                }
                xcb_selection_notify_event_t answer{};
                answer.response_type = XCB_SELECTION_NOTIFY;
                answer.time = request.time;
                answer.requestor = request.requestor;
                answer.selection = request.selection;
                answer.target = request.target;
                answer.property = request.property;
                xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&answer));
                xcb_flush(c);
                done_ = true;
            }
            free(e);
        }
        xcb_disconnect(c);
    }

    std::atomic<bool> ready_{false}, stop_{false}, done_{false};
    std::string saved_;
    std::thread thread_;
};

TEST(ClipboardHandover, WhatWasCopiedGoesToTheClipboardManagerBeforeTheEnd) {
    XServer server;
    if (server.display().empty()) GTEST_SKIP() << "Xvfb does not start here";
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "clipboard-handover-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    // Nothing copied: nothing to hand over.
    EXPECT_FALSE(handClipboardToManager(500));
    const QString copied = QString::fromUtf8("1\r\n00:00:01,000 --> 00:00:02,000\r\n复制\r\n");
    QGuiApplication::clipboard()->setText(copied);
    QCoreApplication::processEvents();
    ASSERT_TRUE(QGuiApplication::clipboard()->ownsClipboard());
    // No manager runs: the process goes on at once.
    EXPECT_FALSE(handClipboardToManager(500));

    StandInManager manager(server.display());
    EXPECT_TRUE(handClipboardToManager(5000));
    EXPECT_EQ(manager.saved(), copied.toUtf8().toStdString());
}

}  // namespace
}  // namespace vexrun
