// The window layer's side of a support library: the controls it provides and
// what the window layer offers them. A support library that provides control
// kinds (plintor) or needs the window system (dravolt) points the `windowing`
// field of its descriptor at a `Windowing` of this shape.
//
// The window layer and the support libraries share one Qt and one C++ runtime
// in the process, so this interface is plain C++ with virtual calls: a
// support library links none of the window layer's code.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include <QString>

#include "image/window_record.h"
#include "vexrun/kernel/control_events.h"

class QWidget;

namespace vexrun {

constexpr uint32_t kWindowingAbi = 1;

// A control as the window layer sees it: its widget and its numbered
// properties. Texts are bytes, exactly as the program gave them.
class Control {
public:
    virtual ~Control() = default;

    // nullptr for an object that is never shown and takes no space.
    virtual QWidget* widget() const = 0;

    virtual PropertyType propertyType(uint32_t property) const = 0;
    virtual int32_t integerProperty(uint32_t /*property*/) const { return 0; }
    virtual void setIntegerProperty(uint32_t /*property*/, int32_t /*value*/) {}
    virtual std::string textProperty(uint32_t /*property*/) const { return {}; }
    virtual void setTextProperty(uint32_t /*property*/, std::string_view /*bytes*/) {}

    // What the control holds as its text or caption, as bytes (what a
    // handler would read), and its check state (-1: it has none).
    virtual std::string contentBytes() const { return {}; }
    // The same, decoded the way the control shows it.
    virtual QString contentText() const { return {}; }
    virtual int checkState() const { return -1; }

    // A user's paste replacing the whole text; false when the control takes
    // no text.
    virtual bool pasteText(const QString& /*text*/) { return false; }
    // "Save as" of a box that offers it (a multi-line edit box that takes no
    // dropped files): the save dialog, then the file written; false when the
    // control offers none.
    virtual bool saveAs() { return false; }
};

// What the window layer offers controls and support libraries. Everything
// runs on the thread of the message loop.
class ControlHost {
public:
    // Raises `event` of the element; its handler runs now, or after the
    // handler that is running returns.
    virtual void raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, EventArgs args) = 0;
    // The widget behind a window handle (kernel command "window handle of a
    // control"), or nullptr for a handle that names nothing.
    virtual QWidget* widgetForHandle(int32_t handle) const = 0;
    // A clear message naming what went wrong; the program then ends.
    [[noreturn]] virtual void fail(const std::string& message) = 0;

    // Files dropped, opened with the program and saved (dropped_files.h,
    // text_saving.h). `box` became the drop zone of the drop target element:
    virtual void dropZoneMade(uint32_t windowId, uint32_t dropTargetId, QWidget* box) = 0;
    virtual bool isDropZone(QWidget* box) const = 0;
    // A file dropped on a zone, read and judged by the kernel library: a text
    // raises the drop target's event 3, anything else is refused with a
    // message box naming the file.
    virtual void fileDropped(uint32_t windowId, uint32_t dropTargetId, QWidget* box, std::string path) = 0;
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
    QWidget* parent;                // the window's client area
};

// One control kind of a support library.
struct ControlKind {
    uint32_t kindNumber;  // low 16 bits of the kind word
    const char* name;     // for messages
    // Builds the control. On settings it cannot use it returns nullptr and
    // fills `error`.
    Control* (*create)(const ControlContext& context, std::string& error);
};

struct Windowing {
    uint32_t abi;  // kWindowingAbi
    const ControlKind* kinds;
    uint32_t kindCount;
    // Called once, when the window layer has the window system running and
    // before any control of the library is made or any command runs.
    void (*attach)(ControlHost* host);

    std::span<const ControlKind> kindList() const { return {kinds, kindCount}; }
};

}  // namespace vexrun
