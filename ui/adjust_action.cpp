// The adjust action (the click on 按钮1 "调节"): reads the subtitle box and the
// reference points, fits the segments of the chosen mode, writes the re-timed
// text into the output box and one result line per segment into the result
// label of the row where the segment ends. The subtitle box is never written.
#include "engine/ratio_text.h"
#include "engine/segment_fitting.h"
#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "runtime/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"
#include "ui/control_refs.h"
#include "ui/event_handlers.h"
#include "ui/window_messages.h"

using namespace ui;

namespace {

// Controls of reference rows 0 to 4 (ratio boxes and result labels: 1 to 4).
uint32_t sourceBox(int32_t row) {
    switch (row) {
        case 0: return id::编辑框2();
        case 1: return id::编辑框3();
        case 2: return id::编辑框4();
        case 3: return id::编辑框5();
        default: return id::编辑框6();
    }
}

uint32_t targetBox(int32_t row) {
    switch (row) {
        case 0: return id::掩码编辑框1();
        case 1: return id::掩码编辑框2();
        case 2: return id::掩码编辑框3();
        case 3: return id::掩码编辑框4();
        default: return id::掩码编辑框5();
    }
}

uint32_t ratioBox(int32_t row) {
    switch (row) {
        case 1: return id::选择框5();
        case 2: return id::选择框6();
        case 3: return id::选择框7();
        default: return id::选择框8();
    }
}

uint32_t resultLabel(int32_t row) {
    switch (row) {
        case 1: return id::标签13();
        case 2: return id::标签14();
        case 3: return id::标签15();
        default: return id::标签16();
    }
}

bool isChecked(uint32_t control) {
    return prog::getInt(mainWindow(), control, vx::kPropCheckState) != 0;
}

// The reference values, each read from its box at the moment it is needed.

int32_t readSource(void*, int32_t row) {
    // A source time box is a plain edit box: its text is parsed as it stands.
    prog::Text text = prog::getText(mainWindow(), sourceBox(row), vx::kPropEditText);
    int32_t value = engine::parseTimeText(text);
    if (text) vxFree(text);
    return value;
}

int32_t readTarget(void*, int32_t row) {
    // A target time box is masked: its blanks count as zeros.
    prog::Text text = prog::getText(mainWindow(), targetBox(row), vx::kPropMaskedText);
    prog::Text filled = engine::fillMaskBlanks(&text);
    int32_t value = engine::parseTimeText(filled);
    vxFree(filled);
    if (text) vxFree(text);
    return value;
}

bool readUseCustomRatio(void*, int32_t row) { return isChecked(ratioBox(row)); }

// The custom ratio box read by the ratio rule; false for a text it refuses.
bool readRatioBox(double* ratio) {
    prog::Text text = prog::getText(mainWindow(), id::编辑框8(), vx::kPropEditText);
    const bool read = engine::readRatioText(prog::textOrEmpty(text), ratio);
    if (text) vxFree(text);
    return read;
}

double readCustomRatio(void*) {
    double ratio = 1.0;  // checked before the action began
    readRatioBox(&ratio);
    return ratio;
}

// "自定比率要填0.1到10之间的数啦" (GBK): the custom ratio box holds no ratio.
constexpr char kRatioMessage[] =
    "\xD7\xD4\xB6\xA8\xB1\xC8\xC2\xCA\xD2\xAA\xCC\xEE" "0.1\xB5\xBD" "10\xD6\xAE\xBC\xE4\xB5\xC4\xCA\xFD\xC0\xB2";

// Whether the mode reads the custom ratio box: always in the custom ratio
// mode, else where the ratio box of a row that ends a segment is ticked.
bool readsCustomRatio(engine::FitMode mode) {
    switch (mode) {
        case engine::FitMode::CustomRatio: return true;
        case engine::FitMode::OneSegment: return isChecked(ratioBox(4));
        case engine::FitMode::TwoSegments: return isChecked(ratioBox(2)) || isChecked(ratioBox(4));
        case engine::FitMode::FourSegments: break;
    }
    return isChecked(ratioBox(1)) || isChecked(ratioBox(2)) || isChecked(ratioBox(3)) || isChecked(ratioBox(4));
}

bool readAlignStart(void*) { return isChecked(id::选择框9()); }

// The output bytes, as text, into the output box.
void showOutput() {
    prog::Text text = prog::bytesToText(prog::vars()->outputBytes);
    prog::setText(mainWindow(), id::编辑框7(), vx::kPropEditText, text);
    vxFree(text);
}

void setLabelVisible(uint32_t label, int32_t visible) {
    prog::setInt(mainWindow(), label, vx::kPropLabelVisible, visible);
}

// Rebuilds the text and shows it; true when a time fell below zero in a
// format that holds none, and was written as zero.
bool rebuildAndShow(engine::FitMode mode) {
    int32_t clamped = 0;
    engine::rebuildSubtitle(mode, 0, &clamped);
    showOutput();
    return clamped > 0;
}

}  // namespace

extern "C" void onAdjustClicked() {
    engine::FitMode mode;
    if (prog::getInt(mainWindow(), id::选择框1(), vx::kPropCheckState) == 1) {
        mode = engine::FitMode::OneSegment;
    } else if (prog::getInt(mainWindow(), id::选择框2(), vx::kPropCheckState) == 1) {
        mode = engine::FitMode::TwoSegments;
    } else if (prog::getInt(mainWindow(), id::选择框3(), vx::kPropCheckState) == 1) {
        mode = engine::FitMode::FourSegments;
    } else {
        mode = engine::FitMode::CustomRatio;
    }
    // A custom ratio that is no number from 0.1 to 10 is refused before
    // anything changes.
    double ratio = 0;
    if (readsCustomRatio(mode) && !readRatioBox(&ratio)) {
        prog::messageBox(kRatioMessage, 0);
        return;
    }

    // Reset: the output emptied, the four result labels hidden, the cue lists
    // emptied.
    prog::setText(mainWindow(), id::编辑框7(), vx::kPropEditText, prog::constText(image::kConstEmptyText));
    setLabelVisible(id::标签13(), 0);
    setLabelVisible(id::标签14(), 0);
    setLabelVisible(id::标签15(), 0);
    setLabelVisible(id::标签16(), 0);
    engine::emptyCueLists();

    // Scan the subtitle box's text, taken as bytes, in whichever format it
    // is. A text with no time line to re-time says so and ends the action.
    prog::Text subtitle = prog::getText(mainWindow(), id::编辑框1(), vx::kPropEditText);
    prog::storeBytes(&prog::vars()->inputBytes, prog::textToByteSet(prog::textOrEmpty(subtitle)));
    if (subtitle) vxFree(subtitle);
    const engine::ScanResult scanned = engine::scanCues();
    if (scanned == engine::ScanResult::NoFrameRate) {
        prog::messageBox(ui::kNoFrameRateMessage, 0);
        return;
    }
    if (prog::elementCount(prog::vars()->startList) == 0) {
        prog::messageBox(ui::kNoTimeLineMessage, 0);
        return;
    }

    if (mode == engine::FitMode::CustomRatio) {
        ratio = readCustomRatio(nullptr);
        prog::Text shiftText = prog::getText(mainWindow(), id::掩码编辑框6(), vx::kPropMaskedText);
        int32_t shift = engine::parseShiftText(shiftText);
        if (shiftText) vxFree(shiftText);
        engine::useCustomMapping(ratio, shift);
        if (rebuildAndShow(mode)) prog::messageBox(ui::kBelowZeroMessage, 0);
        return;
    }

    // Filled field by field: the code addresses are placed by the code itself,
    // never by a constant initialiser the image could not relocate.
    engine::PointSource points;
    points.context = nullptr;
    points.source = readSource;
    points.target = readTarget;
    points.useCustomRatio = readUseCustomRatio;
    points.customRatio = readCustomRatio;
    points.alignStart = readAlignStart;
    engine::SegmentFits fits;
    if (!engine::fitSegments(mode, points, &fits)) {
        prog::messageBox(prog::constText(image::kConstOrderMessage), 0);
        return;
    }
    const bool clamped = rebuildAndShow(mode);
    for (int32_t i = 0; i < fits.count; ++i) {
        const uint32_t label = resultLabel(fits.fits[i].upperRow);
        setLabelVisible(label, 1);
        prog::Text line = engine::resultLine(fits.fits[i]);
        prog::setText(mainWindow(), label, vx::kPropLabelCaption, line);
        vxFree(line);
    }
    if (clamped) prog::messageBox(ui::kBelowZeroMessage, 0);
}
