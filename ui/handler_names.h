// The event handler routines of the main window: their names, which the
// layout data binds to events and the image builder looks up in the program's
// code, and their argument lists, which are those of the events they serve.
//
// X(routine, function type)
#pragma once

#include <stdint.h>

#include <string_view>

#define TESSALY_HANDLERS(X)                                  \
    X(onWindowCreated, void())                               \
    X(onWindowGoingAway, void())                             \
    X(onAlignEndClicked, void())                             \
    X(onCalculatorClicked, void())                           \
    X(onOperandBKeyPressed, void(int32_t keyCode, int32_t))  \
    X(onOperandBDoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onOperandAKeyPressed, void(int32_t keyCode, int32_t))  \
    X(onOperandADoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onCustomRatioModeClicked, void())                      \
    X(onFourSegmentModeClicked, void())                      \
    X(onTwoSegmentModeClicked, void())                       \
    X(onOneSegmentModeClicked, void())                       \
    X(onSignToggleSpin, void(int32_t))                       \
    X(onAdjustClicked, void())                               \
    X(onSource4DoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onSource3DoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onSource2DoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onSource1DoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onSource0DoubleClicked, void(int32_t, int32_t, int32_t)) \
    X(onFileDropped, void(char** path))                      \
    X(onReferenceDropped, void(char** path))                 \
    X(onAlignStartClicked, void())

namespace ui::handler {

// One name per routine: ui::handler::onFileDropped == "onFileDropped".
#define TESSALY_HANDLER_NAME_(routine, type) inline constexpr std::string_view routine = #routine;
TESSALY_HANDLERS(TESSALY_HANDLER_NAME_)
#undef TESSALY_HANDLER_NAME_

// Every name, in the order above.
#define TESSALY_HANDLER_ENTRY_(routine, type) routine,
inline constexpr std::string_view kAll[] = {TESSALY_HANDLERS(TESSALY_HANDLER_ENTRY_)};
#undef TESSALY_HANDLER_ENTRY_

}  // namespace ui::handler
