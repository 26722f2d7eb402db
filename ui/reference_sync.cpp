#include "ui/reference_sync.h"

#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/text_support.h"
#include "ui/control_refs.h"
#include "ui/event_handlers.h"

namespace ui {
namespace {

// The library's answer when the boxes are to be filled: the message, the
// segment count, the custom ratio, five source times, five target times and
// the ratio boxes of rows 1/4 to 4/4.
constexpr int32_t kFilledCount = 17;
constexpr int32_t kSegmentsAt = 2, kRatioAt = 3, kSourcesAt = 4, kTargetsAt = 9, kTicksAt = 14;

// The boxes of the `window:` line, then 调节 pressed as the user would.
void fillAndAdjust(const prog::ListBlock* answer) {
    const int32_t segments = prog::toInteger(prog::textOrEmpty(prog::textAt(answer, kSegmentsAt)));
    if (segments == 1) {
        onOneSegmentModeClicked();
    } else if (segments == 2) {
        onTwoSegmentModeClicked();
    } else {
        onFourSegmentModeClicked();
    }
    prog::setText(mainWindow(), id::编辑框8(), vx::kPropEditText, prog::textOrEmpty(prog::textAt(answer, kRatioAt)));
    const uint32_t sources[5] = {id::编辑框2(), id::编辑框3(), id::编辑框4(), id::编辑框5(), id::编辑框6()};
    const uint32_t targets[5] = {id::掩码编辑框1(), id::掩码编辑框2(), id::掩码编辑框3(), id::掩码编辑框4(),
                                 id::掩码编辑框5()};
    const uint32_t ticks[4] = {id::选择框5(), id::选择框6(), id::选择框7(), id::选择框8()};
    for (int32_t row = 0; row < 5; ++row) {
        prog::setText(mainWindow(), sources[row], vx::kPropEditText,
                      prog::textOrEmpty(prog::textAt(answer, kSourcesAt + row)));
        prog::setText(mainWindow(), targets[row], vx::kPropMaskedText,
                      prog::textOrEmpty(prog::textAt(answer, kTargetsAt + row)));
    }
    for (int32_t k = 0; k < 4; ++k) {
        const int32_t ticked = prog::toInteger(prog::textOrEmpty(prog::textAt(answer, kTicksAt + k)));
        prog::setInt(mainWindow(), ticks[k], vx::kPropCheckState, ticked);
    }
    // Each segment's shift from its first row: segment-start alignment.
    prog::setInt(mainWindow(), id::选择框9(), vx::kPropCheckState, 1);
    prog::setInt(mainWindow(), id::选择框10(), vx::kPropCheckState, 0);
    onAdjustClicked();
}

}  // namespace

bool syncToDropped(const char* path, int32_t box) {
    prog::Text subtitle = prog::getText(mainWindow(), id::编辑框1(), vx::kPropEditText);
    prog::List answer = prog::syncToReference(path, subtitle, box);
    if (subtitle) vxFree(subtitle);
    if (!answer) return false;
    const int32_t count = prog::elementCount(answer);
    if (count == kFilledCount) fillAndAdjust(answer);
    // The verdict, or why nothing was filled; a cancel says nothing.
    if (count >= 1) prog::messageBox(prog::textOrEmpty(prog::textAt(answer, 1)), 0);
    prog::releaseAddressList(answer);
    return true;
}

}  // namespace ui
