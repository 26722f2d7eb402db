// The common events every kind can raise: -3 double-clicked (x, y, shift
// state) and -9 key pressed (virtual key code, shift state). Watched only on
// controls that bind them; the control handles the mouse or key as usual
// after the handler ran.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "image/window_record.h"
#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

// Watches the control's window for the events its element binds.
void watchCommonEvents(HWND control, ControlHost* host, uint32_t windowId, const image::Element& element);

}  // namespace vexrun::win32
