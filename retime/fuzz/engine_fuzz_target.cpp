// libFuzzer target: the subtitle scan and rebuild, the command line's one-pass
// re-time, UTF-16 decoding and encoding, and the time parser, on arbitrary
// bytes. Beyond not crashing (AddressSanitizer watches memory), each input is
// checked for what must always hold: the identity gives the input back, every
// line end of the input comes back under any mapping (CR LF, LF and lone CR
// alike), every SRT or WebVTT time line is one cue, the one-pass re-time
// gives the engine's bytes in every format, UTF-16 comes back from
// UTF-8 unit for unit, every block the engine took is given back, and a time
// written out reads back.
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "engine/subtitle_formats.h"
#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "retime/one_pass_retime.h"
#include "runtime/entry_routine.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/utf16_text.h"

namespace {

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "engine fuzz: %s\n", what);
        std::abort();
    }
}

// Line ends: CR LF, LF, or a CR not followed by LF, each counted once.
size_t countLineEnds(const uint8_t* p, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) count += p[i] == '\r' || (p[i] == '\n' && (i == 0 || p[i - 1] != '\r'));
    return count;
}

size_t countTimeLines(const std::string& s) {
    size_t count = 0, from = 0;
    for (;;) {
        const size_t end = s.find_first_of("\r\n", from);
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
    const engine::SubtitleReading reading = engine::readingOf(data, static_cast<int32_t>(size), 0);
    const engine::ScanResult scanned = engine::scanCues();
    check(scanned != engine::ScanResult::TooLarge, "scan refused a small input");
    if (scanned == engine::ScanResult::NoFrameRate) {
        check(reading.format == engine::SubtitleFormat::MicroDvd, "a frame rate missing outside MicroDVD");
        return;
    }
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (reading.format == engine::SubtitleFormat::Srt || reading.format == engine::SubtitleFormat::WebVtt) {
        check(prog::elementCount(v->startList) == static_cast<int32_t>(countTimeLines(input)),
              "not one cue per time line");
    }
    check(prog::elementCount(v->endList) == prog::elementCount(v->startList) &&
              prog::elementCount(v->tailList) == prog::elementCount(v->startList),
          "cue lists of different lengths");

    // The identity gives the input back, byte for byte.
    engine::useCustomMapping(1.0, 0);
    check(engine::rebuildSubtitle(engine::FitMode::CustomRatio), "rebuild refused a small input");
    check(prog::byteCount(v->outputBytes) == size &&
              (size == 0 || std::memcmp(prog::bytesOf(v->outputBytes), data, size) == 0),
          "the identity changed the text");

    engine::useCustomMapping(ratio, shift);
    check(engine::rebuildSubtitle(engine::FitMode::CustomRatio), "rebuild refused a small input");
    const prog::ByteSetBlock* out = v->outputBytes;
    const size_t in = countLineEnds(data, size);
    const size_t kept = out ? countLineEnds(prog::bytesOf(out), prog::byteCount(out)) : 0;
    check(kept == in, "a line end lost or added");

    retime::ByteBuffer onePass;
    check(retime::retimeInOnePass(v->inputBytes, reading, engine::FitMode::CustomRatio, onePass),
          "the one-pass re-time refused a small input");
    check(onePass.size() == prog::byteCount(out) &&
              (onePass.size() == 0 || std::memcmp(onePass.data(), prog::bytesOf(out), onePass.size()) == 0),
          "the one-pass re-time differs from the engine");
}

// The bytes as UTF-16 units of the byte order the first byte picks: kept
// faults come back unit for unit, replaced ones give UTF-8 that encodes and
// decodes to itself. The decoded text is then re-timed like any input.
std::string fuzzUtf16(const uint8_t* data, size_t size) {
    if (size == 0) return std::string();
    const auto order = (data[0] & 1) ? vexrun::Utf16Order::BigEndian : vexrun::Utf16Order::LittleEndian;
    const std::string_view units(reinterpret_cast<const char*>(data), size);
    const std::string kept = vexrun::utf16ToUtf8(units, order, vexrun::Utf16Faults::Keep);
    check(vexrun::utf8ToUtf16(kept, order) == units.substr(0, size & ~size_t{1}),
          "UTF-16 does not come back from its UTF-8");
    const std::string replaced = vexrun::utf16ToUtf8(units, order, vexrun::Utf16Faults::Replace);
    check(vexrun::utf16ToUtf8(vexrun::utf8ToUtf16(replaced, order), order, vexrun::Utf16Faults::Keep) == replaced,
          "replaced UTF-16 faults do not make well-formed UTF-8");
    return kept;
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
    const std::string decoded = fuzzUtf16(data, size);
    fuzzSubtitle(reinterpret_cast<const uint8_t*>(decoded.data()), decoded.size(), ratio, shift);
    fuzzTimeText(data, std::min<size_t>(size, 4096));

    releaseGlobals();
    std::memset(prog::vars(), 0, sizeof(prog::ProgramVariables));
    check(vexrun::liveBlockCount() == blocks, "a block was left behind");
    return 0;
}
