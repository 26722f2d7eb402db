// The time calculator: operand A minus operand B, written as a time text (a
// negative difference with its "-") into the result box.
#include "ui/time_calculator.h"

#include "engine/time_text.h"
#include "runtime/kernel_calls.h"
#include "runtime/text_support.h"
#include "ui/control_refs.h"

namespace ui {
namespace {

// A masked time box's time: its text with every blank filled, parsed.
int32_t readMaskedTime(uint32_t control) {
    prog::Text text = prog::getText(mainWindow(), control, vx::kPropMaskedText);
    prog::Text filled = engine::fillMaskBlanks(&text);
    int32_t value = engine::parseTimeText(filled);
    vxFree(filled);
    if (text) vxFree(text);
    return value;
}

}  // namespace

void runTimeCalculator() {
    int32_t a = readMaskedTime(id::掩码编辑框7());
    int32_t b = readMaskedTime(id::掩码编辑框8());
    auto difference = static_cast<int32_t>(prog::truncToInt(static_cast<double>(a) - static_cast<double>(b)));
    prog::ByteSet bytes = engine::formatTimeText(difference);
    prog::Text text = prog::bytesToText(bytes);
    prog::setText(mainWindow(), id::编辑框9(), vx::kPropEditText, text);
    vxFree(text);
    if (bytes) vxFree(bytes);
}

}  // namespace ui
