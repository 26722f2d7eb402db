// The main window's event handlers: the set-up after creation, the mode and
// alignment choices, pasting the clipboard into time boxes, the time
// calculator, the sign toggle, loading a dropped file, the drops that align
// the subtitle and ending the process. The adjust action and the filling of
// the boxes by the sync have files of their own. Every control is reached through
// its numbered properties; every time goes through the engine.
#include "ui/event_handlers.h"

#include "engine/time_text.h"
#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/process_end.h"
#include "runtime/text_support.h"
#include "ui/control_refs.h"
#include "ui/reference_sync.h"
#include "ui/time_calculator.h"

using namespace ui;

namespace {

// Sets a check box checked (1) or clear (0).
void setChecked(uint32_t control, int32_t checked) {
    prog::setInt(mainWindow(), control, vx::kPropCheckState, checked);
}

// Enables (false) or disables (true) an edit box.
void setDisabled(uint32_t control, bool disabled) {
    prog::setInt(mainWindow(), control, vx::kPropEditDisabled, disabled ? 1 : 0);
}

// Selecting a mode: the clicked choice checked, the other three cleared, then
// the source time boxes of the rows the mode reads enabled, in the order
// 1/4, 2/4, 3/4, 0/4, 4/4.
struct ModeChoice {
    int32_t checked[4];  // 选择框1 to 选择框4
    bool disabled[5];    // source rows 0/4 to 4/4
};

void selectMode(int clicked, const ModeChoice& choice) {
    const uint32_t boxes[4] = {id::选择框1(), id::选择框2(), id::选择框3(), id::选择框4()};
    setChecked(boxes[clicked], 1);
    for (int i = 0; i < 4; ++i) {
        if (i != clicked) setChecked(boxes[i], choice.checked[i]);
    }
    setDisabled(id::编辑框3(), choice.disabled[1]);
    setDisabled(id::编辑框4(), choice.disabled[2]);
    setDisabled(id::编辑框5(), choice.disabled[3]);
    setDisabled(id::编辑框2(), choice.disabled[0]);
    setDisabled(id::编辑框6(), choice.disabled[4]);
}

// A click on one alignment choice sets the other to the opposite state.
void alignOpposite(uint32_t clicked, uint32_t other) {
    int32_t state = prog::getInt(mainWindow(), clicked, vx::kPropCheckState);
    setChecked(other, state == 1 ? 0 : 1);
}

// The clipboard text, unchanged, into a text property.
void pasteClipboard(uint32_t control, uint32_t property) {
    prog::Text clip = prog::clipboardText();
    prog::setText(mainWindow(), control, property, prog::textOrEmpty(clip));
    if (clip) vxFree(clip);
}

}  // namespace

extern "C" {

void onWindowCreated() {
    int32_t handle = prog::windowHandle(mainWindow(), id::编辑框1(), VX_KIND(00010005));
    prog::registerDropTarget(mainWindow(), id::拖放对象1(), VX_KIND(00030001), handle);
    int32_t output = prog::windowHandle(mainWindow(), id::编辑框7(), VX_KIND(00010005));
    prog::registerDropTarget(mainWindow(), id::拖放对象2(), VX_KIND(00030001), output);
    prog::setText(mainWindow(), id::掩码编辑框6(), vx::kPropMaskedText, prog::constText(image::kConstPlus));
    prog::setText(mainWindow(), id::掩码编辑框1(), vx::kPropMaskedText, prog::constText(image::kConstEmptyTime));
    prog::setText(mainWindow(), id::掩码编辑框3(), vx::kPropMaskedText, prog::constText(image::kConstEmptyTime));
    prog::setText(mainWindow(), id::掩码编辑框5(), vx::kPropMaskedText, prog::constText(image::kConstEmptyTime));
    prog::applyTheme(1);
    onTwoSegmentModeClicked();
}

void onWindowGoingAway() {
    prog::startThread(VX_CODE_ADDR(vxSubroutineWrapper));
    prog::waitMilliseconds(10000);
}

void onOneSegmentModeClicked() {
    selectMode(0, {{1, 0, 0, 0}, {false, true, true, true, false}});
}

void onTwoSegmentModeClicked() {
    selectMode(1, {{0, 1, 0, 0}, {false, true, false, true, false}});
}

void onFourSegmentModeClicked() {
    selectMode(2, {{0, 0, 1, 0}, {false, false, false, false, false}});
}

void onCustomRatioModeClicked() {
    selectMode(3, {{0, 0, 0, 1}, {true, true, true, true, true}});
}

void onAlignStartClicked() { alignOpposite(id::选择框9(), id::选择框10()); }

void onAlignEndClicked() { alignOpposite(id::选择框10(), id::选择框9()); }

void onSource0DoubleClicked(int32_t, int32_t, int32_t) { pasteClipboard(id::编辑框2(), vx::kPropEditText); }
void onSource1DoubleClicked(int32_t, int32_t, int32_t) { pasteClipboard(id::编辑框3(), vx::kPropEditText); }
void onSource2DoubleClicked(int32_t, int32_t, int32_t) { pasteClipboard(id::编辑框4(), vx::kPropEditText); }
void onSource3DoubleClicked(int32_t, int32_t, int32_t) { pasteClipboard(id::编辑框5(), vx::kPropEditText); }
void onSource4DoubleClicked(int32_t, int32_t, int32_t) { pasteClipboard(id::编辑框6(), vx::kPropEditText); }

void onOperandADoubleClicked(int32_t, int32_t, int32_t) {
    pasteClipboard(id::掩码编辑框7(), vx::kPropMaskedText);
    runTimeCalculator();
}

void onOperandBDoubleClicked(int32_t, int32_t, int32_t) {
    pasteClipboard(id::掩码编辑框8(), vx::kPropMaskedText);
    runTimeCalculator();
}

void onOperandAKeyPressed(int32_t keyCode, int32_t) {
    if (keyCode == vx::kKeyEnter) runTimeCalculator();
}

void onOperandBKeyPressed(int32_t keyCode, int32_t) {
    if (keyCode == vx::kKeyEnter) runTimeCalculator();
}

void onCalculatorClicked() { runTimeCalculator(); }

void onSignToggleSpin(int32_t) {
    // Only the first character changes: "+" becomes "-", anything else "+".
    prog::Text text = prog::getText(mainWindow(), id::掩码编辑框6(), vx::kPropMaskedText);
    prog::Text first = prog::leftText(prog::textOrEmpty(text), 1);
    const bool plus = prog::compareText(first, prog::constText(image::kConstPlus)) == 0;
    prog::Text toggled = prog::replacePart(prog::textOrEmpty(text), 1, 1,
                                           prog::constText(plus ? image::kConstMinus : image::kConstPlus));
    prog::setText(mainWindow(), id::掩码编辑框6(), vx::kPropMaskedText, toggled);
    vxFree(toggled);
    vxFree(first);
    if (text) vxFree(text);
}

void onFileDropped(char** path) {
    const char* file = prog::textOrEmpty(path ? *path : nullptr);
    // A film dropped on a subtitle: the subtitle aligned to it.
    if (ui::syncToDropped(file, kSubtitleBoxDrop)) return;
    // The whole file as the kernel library reads it (bytes as they are, a
    // UTF-16 text as UTF-8), shown as text without any further conversion.
    // A file that is no text gives nothing (the kernel library said why):
    // the box keeps its text.
    prog::ByteSet bytes = prog::readFile(file);
    if (prog::byteCount(bytes) == 0) {
        if (bytes) vxFree(bytes);
        return;
    }
    prog::Text text = prog::bytesToText(bytes);
    prog::setText(mainWindow(), id::编辑框1(), vx::kPropEditText, text);
    vxFree(text);
    if (bytes) vxFree(bytes);
}

void onReferenceDropped(char** path) {
    // The new release's subtitle (or film) dropped on the output box.
    ui::syncToDropped(prog::textOrEmpty(path ? *path : nullptr), kOutputBoxDrop);
}

}  // extern "C"
