// The main window and its controls as the handlers name them: one function
// per control returning its id, written so that every use of an id is an
// immediate the image builder records (VX_ID). Names are those of the layout.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"
#include "ui/controls.h"

namespace ui {

inline uint32_t mainWindow() { return VX_ID(52010001); }

namespace id {
#define TESSALY_CONTROL_ID_(name, hex, kind) \
    inline uint32_t name() { return VX_ID(hex); }
TESSALY_CONTROLS(TESSALY_CONTROL_ID_)
#undef TESSALY_CONTROL_ID_
}  // namespace id

}  // namespace ui
