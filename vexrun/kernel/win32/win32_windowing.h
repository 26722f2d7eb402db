// The Win32 window layer's side of a support library (the shared part is
// vexrun/kernel/windowing.h): a control is a native window, which also hands
// the main window's notifications to its control. A support library that
// provides control kinds (plintor) or needs the window system (dravolt)
// points the `windowing` field of its descriptor at a `Windowing` of this
// layer. Every library of ours links the C and C++ runtimes statically over
// the one msvcrt heap.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>

#include "vexrun/kernel/windowing.h"

namespace vexrun::win32 {

// Not the Qt layer's number: a library built for one layer is refused by the other.
constexpr uint32_t kWindowingAbi = 0x57330002;

// Colours a control draws in; a colour it does not set stays the system's.
struct ControlColours {
    bool hasText = false, hasBackground = false;
    COLORREF text = 0, background = 0;
};

class Control : public windowing::ControlBase<HWND> {
public:
    // nullptr for an object that is never shown and takes no space.
    virtual HWND window() const = 0;

    // A user's paste replacing the whole text; false when the control takes none.
    virtual bool pasteText(std::u16string_view /*text*/) { return false; }

    // What the main window hands its controls: their colours (asked in
    // WM_CTLCOLOR*), a WM_COMMAND notification code, a WM_NOTIFY (its result).
    virtual ControlColours colours() const { return {}; }
    virtual void command(int /*code*/) {}
    virtual LRESULT notify(const NMHDR* /*header*/) { return 0; }
};

class ControlHost : public windowing::ControlHostBase<HWND> {
public:
    // The window behind a window handle (kernel command "window handle of a
    // control"), or nullptr for a handle that names no control of ours.
    virtual HWND windowForHandle(int32_t handle) const = 0;

protected:
    ~ControlHost() = default;
};

using ControlLibrary = windowing::Library<Control, ControlHost, HWND>;
using ControlContext = ControlLibrary::Context;
using ControlKind = ControlLibrary::Kind;
using Windowing = ControlLibrary::Windowing;

}  // namespace vexrun::win32
