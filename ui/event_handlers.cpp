// The main window's event handler routines.
#include "ui/event_handlers.h"

extern "C" {

void onWindowCreated() {}

void onWindowGoingAway() {}

void onAlignEndClicked() {}

void onCalculatorClicked() {}

void onOperandBKeyPressed(int32_t, int32_t) {}

void onOperandBDoubleClicked(int32_t, int32_t, int32_t) {}

void onOperandAKeyPressed(int32_t, int32_t) {}

void onOperandADoubleClicked(int32_t, int32_t, int32_t) {}

void onCustomRatioModeClicked() {}

void onFourSegmentModeClicked() {}

void onTwoSegmentModeClicked() {}

void onOneSegmentModeClicked() {}

void onSignToggleSpin(int32_t) {}

void onAdjustClicked() {}

void onSource4DoubleClicked(int32_t, int32_t, int32_t) {}

void onSource3DoubleClicked(int32_t, int32_t, int32_t) {}

void onSource2DoubleClicked(int32_t, int32_t, int32_t) {}

void onSource1DoubleClicked(int32_t, int32_t, int32_t) {}

void onSource0DoubleClicked(int32_t, int32_t, int32_t) {}

void onFileDropped(char**) {}

void onAlignStartClicked() {}

}  // extern "C"
