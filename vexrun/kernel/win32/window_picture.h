// The window's picture: VEXRUN_SCREENSHOT=FILE.png saves it once the window
// is shown, and the headless driver asks for it. Copied from the window's
// DC, frame included (PrintWindow gives only the background under Wine),
// and written as PNG (png_file.h).
#pragma once

#include <windows.h>

#include <string>

namespace vexrun::win32 {

// The path VEXRUN_SCREENSHOT names, or empty.
std::wstring screenshotPathFromEnvironment();

// The window `top` as it shows, written to `path`; false when it cannot be.
bool saveWindowPicture(HWND top, const std::wstring& path);

}  // namespace vexrun::win32
