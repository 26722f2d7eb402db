// The Qt window layer's side of a support library (the shared part is
// vexrun/kernel/windowing.h): a control is a widget. A support library that
// provides control kinds (plintor) or needs the window system (dravolt)
// points the `windowing` field of its descriptor at a `Windowing` of this
// layer. The window layer and the support libraries share one Qt and one C++
// runtime in the process.
#pragma once

#include <stdint.h>

#include <QString>

#include "vexrun/kernel/windowing.h"

class QWidget;

namespace vexrun {

constexpr uint32_t kWindowingAbi = 2;

class Control : public windowing::ControlBase<QWidget*> {
public:
    // nullptr for an object that is never shown and takes no space.
    virtual QWidget* widget() const = 0;

    // What the control holds, decoded the way the control shows it, and its
    // check state (-1: it has none).
    virtual QString contentText() const { return {}; }
    virtual int checkState() const { return -1; }

    // A user's paste replacing the whole text; false when the control takes
    // no text.
    virtual bool pasteText(const QString& /*text*/) { return false; }
};

class ControlHost : public windowing::ControlHostBase<QWidget*> {
public:
    // The widget behind a window handle (kernel command "window handle of a
    // control"), or nullptr for a handle that names nothing.
    virtual QWidget* widgetForHandle(int32_t handle) const = 0;

protected:
    ~ControlHost() = default;
};

using ControlLibrary = windowing::Library<Control, ControlHost, QWidget*>;
using ControlContext = ControlLibrary::Context;
using ControlKind = ControlLibrary::Kind;
using Windowing = ControlLibrary::Windowing;

}  // namespace vexrun
