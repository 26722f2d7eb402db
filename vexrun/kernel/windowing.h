// The window layer's side of a support library, as both layers have it: the
// controls a library provides and what the window layer offers them, over
// the layer's handle of a control (a QWidget* on Qt, an HWND on Win32). Each
// layer completes it in its own header (qt/windowing.h,
// win32/win32_windowing.h) with the handle's accessors and its
// platform-only members, and keeps its own ABI number there, so that a
// library built for one layer is refused by the other.
//
// The interface is plain C++ with virtual calls (each layer's header says
// why its libraries may share that): a support library links none of the
// window layer's code.
#pragma once

#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

#include "image/window_record.h"
#include "vexrun/kernel/control_events.h"
#include "vexrun/kernel/progress_work.h"

namespace vexrun::windowing {

// A control as the window layer sees it: its numbered properties. Texts are
// bytes, exactly as the program gave them.
template <class Handle>
class ControlBase {
public:
    virtual ~ControlBase() = default;

    virtual PropertyType propertyType(uint32_t property) const = 0;
    virtual int32_t integerProperty(uint32_t /*property*/) const { return 0; }
    virtual void setIntegerProperty(uint32_t /*property*/, int32_t /*value*/) {}
    virtual std::string textProperty(uint32_t /*property*/) const { return {}; }
    virtual void setTextProperty(uint32_t /*property*/, std::string_view /*bytes*/) {}

    // What the control holds as its text or caption, as bytes (what a
    // handler would read).
    virtual std::string contentBytes() const { return {}; }
    // "Save as" of a box that offers it (a multi-line edit box that takes no
    // dropped files): the save dialog, then the file written; false when the
    // control offers none.
    virtual bool saveAs() { return false; }
};

// What the window layer offers controls and support libraries. Everything
// runs on the thread of the message loop.
template <class Handle>
class ControlHostBase {
public:
    // Raises `event` of the element; its handler runs now, or after the
    // handler that is running returns.
    virtual void raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) = 0;
    // A clear message naming what went wrong; the program then ends.
    [[noreturn]] virtual void fail(const std::string& message) = 0;

    // Files dropped, opened with the program and saved (dropped_files.h,
    // text_saving.h). `box` became the drop zone of the drop target element:
    virtual void dropZoneMade(uint32_t windowId, uint32_t dropTargetId, Handle box) = 0;
    virtual bool isDropZone(Handle box) const = 0;
    // The box dropped texts are read into (the first zone made); other zones
    // take files for the program without showing them.
    virtual bool isInputBox(Handle box) const = 0;
    // A file dropped on a zone, read and judged by the kernel library: a text
    // raises the drop target's event 3, anything else is refused with a
    // message box naming the file.
    virtual void fileDropped(uint32_t windowId, uint32_t dropTargetId, Handle box, std::string path) = 0;
    // The path the user picks in the save dialog, which proposes `proposed`;
    // empty when the user cancels.
    virtual std::string askSavePath(const std::string& proposed) = 0;
    // A message box with the text (UTF-8 or GBK), OK alone, the window's caption.
    virtual void showMessage(std::string_view text) = 0;

    // Runs `work` on a thread of its own under a modal progress box and
    // returns when it ends: true when it ran to its end, false when the user
    // cancelled it (取消 or closing the box) and it stopped.
    virtual bool runWithProgress(const ProgressBoxTexts& box, ProgressWork& work) = 0;
    // A fresh kernel list of texts (u32 1, u32 n, n text addresses), which
    // the program owns: what a library's command hands back to it.
    virtual void* newTextList(std::span<const std::string_view> texts) = 0;

protected:
    ~ControlHostBase() = default;
};

// How a support library hands a layer its control kinds, for the layer's
// `Control` (derived from ControlBase<Handle>) and `ControlHost` (derived
// from ControlHostBase<Handle>).
template <class Control, class ControlHost, class Handle>
struct Library {
    // Everything a kind's factory gets to build one control.
    struct Context {
        ControlHost* host;
        uint32_t windowId;
        const image::Element* element;  // position, state, events, extension block
        Handle parent;                  // the window's client area
    };

    // Builds the control. On settings it cannot use it returns nullptr and
    // fills `error`.
    using Factory = Control* (*)(const Context& context, std::string& error);

    // One control kind of a support library.
    struct Kind {
        uint32_t kindNumber;  // low 16 bits of the kind word
        const char* name;     // for messages
        Factory create;
    };

    // What the `windowing` field of a library's descriptor points at.
    struct Windowing {
        uint32_t abi;  // the layer's kWindowingAbi
        const Kind* kinds;
        uint32_t kindCount;
        // Called once, when the window layer has the window system running
        // and before any control of the library is made or any command runs.
        void (*attach)(ControlHost* host);

        std::span<const Kind> kindList() const { return {kinds, kindCount}; }
    };
};

}  // namespace vexrun::windowing
