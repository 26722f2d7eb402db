// The control kinds of the kernel library itself (library number 1) as
// native Win32 controls, and the table that names them by kind word.
#pragma once

#include <stdint.h>

#include <string>

#include "vexrun/kernel/win32/win32_windowing.h"

namespace vexrun::win32 {

struct BuiltinKind {
    uint32_t kindWord;
    const char* name;
    Control* (*create)(const ControlContext& context, std::string& error);
};

const BuiltinKind* builtinKind(uint32_t kindWord);

// A child window of the main window at the element's place, with the
// control font.
HWND createChild(const wchar_t* className, DWORD style, DWORD exStyle, const ControlContext& context);

}  // namespace vexrun::win32
