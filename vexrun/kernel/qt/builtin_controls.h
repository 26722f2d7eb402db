// The control kinds of the kernel library itself (library number 1) on Qt,
// one file each, and the table that names them by kind word
// (vexrun/kernel/builtin_kinds.h lists them).
#pragma once

#include <stdint.h>

#include <span>
#include <string>

#include "vexrun/kernel/builtin_kinds.h"
#include "vexrun/kernel/qt/windowing.h"

namespace vexrun {

Control* createEditBox(const ControlContext& context, std::string& error);
Control* createLabel(const ControlContext& context, std::string& error);
Control* createButton(const ControlContext& context, std::string& error);
Control* createCheckBox(const ControlContext& context, std::string& error);
Control* createShapeBox(const ControlContext& context, std::string& error);
Control* createSpinControl(const ControlContext& context, std::string& error);

using BuiltinKind = windowing::BuiltinKind<ControlLibrary::Factory>;

std::span<const BuiltinKind> builtinKinds();
const BuiltinKind* builtinKind(uint32_t kindWord);

}  // namespace vexrun
