// Declarations of the main window's event handler routines. The runtime calls
// them at the code offsets the window record binds to each control and event;
// their names and argument lists come from ui/handler_names.h.
#pragma once

#include "ui/handler_names.h"

namespace ui {
template <class Function>
using HandlerRoutine = Function;
}  // namespace ui

extern "C" {
#define TESSALY_DECLARE_HANDLER_(routine, type) ui::HandlerRoutine<type> routine;
TESSALY_HANDLERS(TESSALY_DECLARE_HANDLER_)
#undef TESSALY_DECLARE_HANDLER_
}
