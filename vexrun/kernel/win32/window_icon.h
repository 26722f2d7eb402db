// The window icon on Win32: the window record's ICO file, read by the shared
// icon reader (vexrun/kernel/icon_file.h), its images nearest the system's
// large and small icon sizes set on the window.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <span>
#include <string>

namespace vexrun::win32 {

// False and a message in `error` when the file gives no icon.
bool setWindowIcon(HWND window, std::span<const uint8_t> ico, std::string& error);

}  // namespace vexrun::win32
