// The masked edit box (kind 2:9) on Win32: a subclassed EDIT control over the
// mask logic of edit_mask.h.
#pragma once

#include <string>

#include "vexrun/kernel/win32/win32_windowing.h"
#include "vexrun/plintor/edit_mask.h"

namespace plintor {

vexrun::win32::Control* createMaskedEditControl(const vexrun::win32::ControlContext& context, std::string& error);

}  // namespace plintor
