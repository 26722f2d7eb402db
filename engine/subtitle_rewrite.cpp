// Subtitle text rewriting: the scan into header part and cues, and the
// rebuild that appends each re-timed cue to the output bytes.
#include "engine/subtitle_rewrite.h"

#include "engine/line_ends.h"
#include "engine/time_text.h"
#include "image/const_table.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"

namespace engine {
namespace {

using prog::ByteSet;
using prog::ByteSetBlock;

// The line end of the input's own kind, as a fresh byte set: the first line
// end of the input as it stands (CR LF, LF or a lone CR), CR LF when it has
// none at all.
ByteSet lineEndKind(const ByteSetBlock* input, int32_t length) {
    const uint8_t* p = prog::bytesOf(input);
    const int64_t at = lineEndAtOrAfter(p, length, 0);
    if (at == length) return prog::concatBytes(prog::constBytes(image::kConstCrLfBlock));
    return prog::middleBytes(input, static_cast<int32_t>(at) + 1, lineEndLength(p, length, at));
}

// Where the line holding position `at` (1-based) begins, 1-based.
int32_t lineStartOf(const ByteSetBlock* input, int32_t at) {
    return static_cast<int32_t>(lineStartBefore(prog::bytesOf(input), at - 1)) + 1;
}

// Where the line holding position `at` ends: its line end's first byte, or
// one past the input (1-based).
int32_t lineEndOf(const ByteSetBlock* input, int32_t at, int32_t length) {
    return static_cast<int32_t>(lineEndAtOrAfter(prog::bytesOf(input), length, at - 1)) + 1;
}

// The header part: the input in front of the line holding the first "-->",
// with the line end in front of that line as it stands. A first line that is
// a time line gets a line end of the input's kind alone. An input without any
// time line is the header part as a whole, closed by a line end of its kind if
// it does not end in one.
ByteSet headerPart(const ByteSetBlock* input, int32_t cursor, int32_t length) {
    if (cursor > 0) {
        const int32_t lineStart = lineStartOf(input, cursor);
        if (lineStart > 1) return prog::leftBytes(input, lineStart - 1);
        return lineEndKind(input, length);
    }
    if (length > 0 && isLineEndByte(prog::bytesOf(input)[length - 1])) return prog::concatBytes(input);
    ByteSet end = lineEndKind(input, length);
    ByteSet header = prog::concatBytes(input, end);
    vxFree(end);
    return header;
}

// Appends the parts to a byte-set variable in place: the block grows through
// the kernel library's reallocate (geometrically), and only the new bytes are
// copied. False, with the variable unchanged, when the count would pass
// kMaxSubtitleBytes.
bool appendToBytes(prog::ByteSetVar* variable, const ByteSetBlock* const* parts, int32_t n) {
    uint32_t added = 0;
    for (int32_t i = 0; i < n; ++i) added += prog::byteCount(parts[i]);
    if (added == 0) return true;
    const uint32_t old = prog::byteCount(*variable);
    if (added > static_cast<uint32_t>(kMaxSubtitleBytes) - old) return false;

    ByteSet block = static_cast<ByteSet>(vxReallocate(*variable, 8 + old + added));
    block->one = 1;
    block->count = old + added;
    uint8_t* out = prog::bytesOf(block) + old;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t count = prog::byteCount(parts[i]);
        if (count) __builtin_memcpy(out, prog::bytesOf(parts[i]), count);
        out += count;
    }
    *variable = block;
    return true;
}

}  // namespace

void emptyCueLists() {
    prog::ProgramVariables* v = prog::vars();
    prog::resetIntList(&v->startList, 0);
    prog::resetIntList(&v->endList, 0);
    prog::resetAddressList(&v->tailList, 0);
}

bool scanCues() {
    prog::ProgramVariables* v = prog::vars();
    const ByteSetBlock* input = prog::bytesOrEmpty(v->inputBytes);
    const int32_t length = prog::byteSetLength(input);
    if (length > kMaxSubtitleBytes) return false;
    const ByteSetBlock* arrow = prog::constBytes(image::kConstArrowBlock);

    v->cursor = prog::findBytes(input, arrow);
    prog::storeBytes(&v->outputBytes, headerPart(input, v->cursor, length));

    bool first = true;
    while (v->cursor > 0) {
        const int32_t cursor = v->cursor;
        // The line start of a later time line is the next line start found
        // for the one before it: the same backward search from the same "-->".
        v->lineStart = first ? lineStartOf(input, cursor) : v->nextLineStart;
        first = false;
        v->lineEnd = lineEndOf(input, cursor, length);

        // The whole line in front of the "-->" is the start text; the rest of
        // the line behind it, whatever it holds, the end text.
        prog::appendInt(&v->startList, parseTimeBytes(input, v->lineStart, cursor - v->lineStart));
        prog::appendInt(&v->endList, parseTimeBytes(input, cursor + 3, v->lineEnd - cursor - 3));

        // The next time line is the next line holding a "-->". A further "-->"
        // on this line belongs to its end text: taking it as a time line of its
        // own would write this line twice, run together.
        const int32_t next = prog::findBytes(input, arrow, v->lineEnd);
        v->nextLineStart = next > 0 ? lineStartOf(input, next) : length + 1;

        ByteSet tail = prog::middleBytes(input, v->lineEnd, v->nextLineStart - v->lineEnd);
        prog::appendBytes(&v->tailList, tail);
        vxFree(tail);

        v->cursor = next;
    }
    return true;
}

bool rebuildSubtitle(FitMode mode) {
    prog::ProgramVariables* v = prog::vars();
    const int32_t boundaries[3] = {v->boundary1, v->boundary2, v->boundary3};
    const uint32_t headerCount = prog::byteCount(v->outputBytes);
    const ByteSetBlock* arrow = prog::constBytes(image::kConstSpacedArrowBlock);

    const int32_t n = prog::elementCount(v->startList);

    // The output grows once, to what it can reach: the header part, every
    // tail, and per cue two time texts of at most 14 bytes around " --> ".
    uint64_t bound = headerCount + static_cast<uint64_t>(n) * (2 * kLongestTimeText + 5);
    for (int32_t i = 1; i <= n; ++i) bound += prog::byteCount(prog::bytesAt(v->tailList, i));
    if (v->outputBytes && bound <= static_cast<uint64_t>(kMaxSubtitleBytes)) {
        v->outputBytes = static_cast<ByteSet>(vxReallocate(v->outputBytes, static_cast<uint32_t>(8 + bound)));
    }

    for (int32_t i = 1; i <= n; ++i) {
        const int32_t start = prog::intAt(v->startList, i);
        const SegmentFit fit = storedSegmentFit(mode, segmentFor(start, mode, boundaries));
        ByteSet startText = formatTimeText(mapTime(start, fit));
        ByteSet endText = formatTimeText(mapTime(prog::intAt(v->endList, i), fit));
        const ByteSetBlock* parts[4] = {startText, arrow, endText, prog::bytesAt(v->tailList, i)};
        const bool appended = appendToBytes(&v->outputBytes, parts, 4);
        vxFree(startText);
        vxFree(endText);
        if (!appended) {
            if (v->outputBytes) v->outputBytes->count = headerCount;
            return false;
        }
    }
    return true;
}

}  // namespace engine
