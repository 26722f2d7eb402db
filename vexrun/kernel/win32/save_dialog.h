// The system's save dialog for "save as" of a box: it proposes a path and
// gives the one the user picks.
#pragma once

#include <windows.h>

#include <string>

namespace vexrun::win32 {

// `proposed` and the result are UTF-8 paths; empty when the user cancels.
std::string askSaveFileName(HWND owner, const std::string& proposed);

}  // namespace vexrun::win32
