// The Win32 window layer's side of a support library: the controls it
// provides and what the window layer offers them (the Windows counterpart of
// vexrun/kernel/qt/windowing.h). A support library that provides control
// kinds (plintor) or needs the window system (dravolt) points the
// `windowing` field of its descriptor at a `Windowing` of this shape.
//
// Every library of ours links the C and C++ runtimes statically over the one
// msvcrt heap, so this interface is plain C++ with virtual calls.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <span>
#include <string>
#include <string_view>

#include "image/window_record.h"
#include "vexrun/kernel/control_events.h"

namespace vexrun::win32 {

// Not the Qt layer's number: a library built for one layer is refused by the other.
constexpr uint32_t kWindowingAbi = 0x57330001;

// Colours a control draws in; a colour it does not set stays the system's.
struct ControlColours {
    bool hasText = false, hasBackground = false;
    COLORREF text = 0, background = 0;
};

// A control as the window layer sees it: its window and its numbered
// properties. Texts are bytes, exactly as the program gave them.
class Control {
public:
    virtual ~Control() = default;

    // nullptr for an object that is never shown and takes no space.
    virtual HWND window() const = 0;

    virtual PropertyType propertyType(uint32_t property) const = 0;
    virtual int32_t integerProperty(uint32_t /*property*/) const { return 0; }
    virtual void setIntegerProperty(uint32_t /*property*/, int32_t /*value*/) {}
    virtual std::string textProperty(uint32_t /*property*/) const { return {}; }
    virtual void setTextProperty(uint32_t /*property*/, std::string_view /*bytes*/) {}

    // What the control holds as its text or caption, as bytes (what a handler
    // would read).
    virtual std::string contentBytes() const { return {}; }
    // A user's paste replacing the whole text; false when the control takes none.
    virtual bool pasteText(std::u16string_view /*text*/) { return false; }
    // "Save as" of a box that offers it (a multi-line edit box that takes no
    // dropped files): the save dialog, then the file written; false when the
    // control offers none.
    virtual bool saveAs() { return false; }

    // What the main window hands its controls: their colours (asked in
    // WM_CTLCOLOR*), a WM_COMMAND notification code, a WM_NOTIFY (its result).
    virtual ControlColours colours() const { return {}; }
    virtual void command(int /*code*/) {}
    virtual LRESULT notify(const NMHDR* /*header*/) { return 0; }
};

// What the window layer offers controls and support libraries. Everything
// runs on the thread of the message loop.
class ControlHost {
public:
    // Raises `event` of the element; its handler runs now, or after the
    // handler that is running returns.
    virtual void raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) = 0;
    // The window behind a window handle (kernel command "window handle of a
    // control"), or nullptr for a handle that names no control of ours.
    virtual HWND windowForHandle(int32_t handle) const = 0;
    // A clear message naming what went wrong; the program then ends.
    [[noreturn]] virtual void fail(const std::string& message) = 0;

    // Files dropped, opened with the program and saved (dropped_files.h,
    // text_saving.h). `box` became the drop zone of the drop target element:
    virtual void dropZoneMade(uint32_t windowId, uint32_t dropTargetId, HWND box) = 0;
    virtual bool isDropZone(HWND box) const = 0;
    // A file dropped on a zone, read and judged by the kernel library: a text
    // raises the drop target's event 3, anything else is refused with a
    // message box naming the file.
    virtual void fileDropped(uint32_t windowId, uint32_t dropTargetId, HWND box, std::string path) = 0;
    // The path the user picks in the save dialog, which proposes `proposed`;
    // empty when the user cancels.
    virtual std::string askSavePath(const std::string& proposed) = 0;
    // A message box with the text (UTF-8 or GBK), OK alone, the window's caption.
    virtual void showMessage(std::string_view text) = 0;

protected:
    ~ControlHost() = default;
};

// Everything a kind's factory gets to build one control.
struct ControlContext {
    ControlHost* host;
    uint32_t windowId;
    const image::Element* element;  // position, state, events, extension block
    HWND parent;                    // the main window (its client area)
};

struct ControlKind {
    uint32_t kindNumber;  // low 16 bits of the kind word
    const char* name;     // for messages
    // Builds the control; on settings it cannot use nullptr and `error`.
    Control* (*create)(const ControlContext& context, std::string& error);
};

struct Windowing {
    uint32_t abi;  // kWindowingAbi
    const ControlKind* kinds;
    uint32_t kindCount;
    // Called once, when the window layer is running and before any control
    // of the library is made or any command runs.
    void (*attach)(ControlHost* host);

    std::span<const ControlKind> kindList() const { return {kinds, kindCount}; }
};

}  // namespace vexrun::win32
