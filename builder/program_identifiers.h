// The ids the program's code may name as window or control ids: the main
// window's and those of the 54 controls of ui/controls.h.
#pragma once

#include <stdint.h>

#include <array>

#include "runtime/vexrun_interface.h"
#include "ui/controls.h"

namespace image {

#define TESSALY_CONTROL_ID_(name, id, kind) 0x##id##u,
inline constexpr std::array kProgramIdentifiers = {vx::kMainWindowId, TESSALY_CONTROLS(TESSALY_CONTROL_ID_)};
#undef TESSALY_CONTROL_ID_

static_assert(kProgramIdentifiers.size() == 55, "the window and 54 controls");

}  // namespace image
