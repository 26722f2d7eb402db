// libFuzzer target: the subtitle scan and rebuild, and the time parser, on
// arbitrary bytes. Beyond not crashing (AddressSanitizer watches memory), each
// input is checked for what must always hold: every line end of the input
// comes back (at most one is added), every time line is one cue, every block
// the engine took is given back, and a time written out reads back.
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "runtime/entry_routine.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"

namespace {

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "engine fuzz: %s\n", what);
        std::abort();
    }
}

size_t countLineFeeds(const uint8_t* p, size_t n) { return static_cast<size_t>(std::count(p, p + n, '\n')); }

size_t countTimeLines(const std::string& s) {
    size_t count = 0, from = 0;
    for (;;) {
        const size_t end = s.find('\n', from);
        const size_t stop = end == std::string::npos ? s.size() : end;
        const size_t arrow = s.find("-->", from);
        if (arrow != std::string::npos && arrow + 3 <= stop) ++count;
        if (end == std::string::npos) return count;
        from = end + 1;
    }
}

void fuzzTimeText(const uint8_t* data, size_t size) {
    prog::Text text = vexrun::newText(std::string_view(reinterpret_cast<const char*>(data), size));
    const int32_t ms = engine::parseTimeText(text);
    check(ms == engine::parseTimeTextStepwise(text), "the direct reading differs from the stepwise one");
    prog::Text filled = engine::fillMaskBlanks(&text);
    check(std::strchr(filled, ' ') == nullptr, "a blank left after filling");
    check(std::strcmp(filled, text) == 0, "the filled copy differs from the filled text");
    (void)engine::parseTimeText(filled);
    (void)engine::parseShiftText(filled);
    vxFree(filled);
    vxFree(text);

    prog::ByteSet written = engine::formatTimeText(ms);
    prog::Text again = prog::bytesToText(written);
    if (ms >= 0) check(engine::parseTimeText(again) == ms, "a time written out does not read back");
    vxFree(again);
    vxFree(written);
}

void fuzzSubtitle(const uint8_t* data, size_t size, double ratio, int32_t shift) {
    prog::ProgramVariables* v = prog::vars();
    engine::emptyCueLists();
    if (v->inputBytes) vxFree(v->inputBytes);
    v->inputBytes =
        size ? static_cast<prog::ByteSet>(vexrun::newByteSet(std::span<const uint8_t>(data, size))) : nullptr;
    check(engine::scanCues(), "scan refused a small input");
    const std::string input(reinterpret_cast<const char*>(data), size);
    check(prog::elementCount(v->startList) == static_cast<int32_t>(countTimeLines(input)),
          "not one cue per time line");
    check(prog::elementCount(v->endList) == prog::elementCount(v->startList) &&
              prog::elementCount(v->tailList) == prog::elementCount(v->startList),
          "cue lists of different lengths");

    engine::useCustomMapping(ratio, shift);
    check(engine::rebuildSubtitle(engine::FitMode::CustomRatio), "rebuild refused a small input");
    const prog::ByteSetBlock* out = v->outputBytes;
    const size_t in = countLineFeeds(data, size);
    const size_t kept = out ? countLineFeeds(prog::bytesOf(out), prog::byteCount(out)) : 0;
    check(kept == in || kept == in + 1, "a line end lost or more than one added");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    prog::useHelperTable(vexrun::hostHelperTable());
    const int64_t blocks = vexrun::liveBlockCount();
    std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
    setUpGlobals();

    // The first bytes choose the mapping; all of the input is scanned.
    double ratio = 1.0;
    int32_t shift = 0;
    if (size >= 12) {
        std::memcpy(&ratio, data, 8);
        std::memcpy(&shift, data + 8, 4);
    }
    fuzzSubtitle(data, size, ratio, shift);
    fuzzTimeText(data, std::min<size_t>(size, 4096));

    releaseGlobals();
    std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
    check(vexrun::liveBlockCount() == blocks, "a block was left behind");
    return 0;
}
