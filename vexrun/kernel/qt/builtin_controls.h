// The control kinds of the kernel library itself (library number 1), and the
// table that names them by kind word.
#pragma once

#include <stdint.h>

#include <span>
#include <string>

#include "vexrun/kernel/qt/windowing.h"

namespace vexrun {

Control* createEditBox(const ControlContext& context, std::string& error);
Control* createLabel(const ControlContext& context, std::string& error);
Control* createButton(const ControlContext& context, std::string& error);
Control* createCheckBox(const ControlContext& context, std::string& error);
Control* createShapeBox(const ControlContext& context, std::string& error);
Control* createSpinControl(const ControlContext& context, std::string& error);

struct BuiltinKind {
    uint32_t kindWord;
    const char* name;
    Control* (*create)(const ControlContext& context, std::string& error);
};

std::span<const BuiltinKind> builtinKinds();
const BuiltinKind* builtinKind(uint32_t kindWord);

}  // namespace vexrun
