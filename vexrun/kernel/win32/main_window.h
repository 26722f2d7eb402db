// The top-level window built from a window record's element 0 on Win32: our
// window class, a fixed size (the client size of window_frame.h), a caption,
// a system menu, minimise and close, no maximise.
#pragma once

#include <windows.h>

#include <string>

#include "image/window_record.h"

namespace vexrun::win32 {

// The window class, registered once with `procedure` (which gets every main
// window's messages), and the common controls our controls use.
void registerMainWindowClass(WNDPROC procedure);

// Made at the element's place; `param` arrives in WM_NCCREATE. Each ends the
// program with a message when it cannot do its part.
HWND createMainWindow(const image::Window& window, const std::u16string& caption, void* param);

}  // namespace vexrun::win32
