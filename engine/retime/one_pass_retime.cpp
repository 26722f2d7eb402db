// One pass over the input: the header part, then per time line its two
// mapped time texts and its tail, straight into the output.
#include "engine/retime/one_pass_retime.h"

#include <cstring>

#include "engine/line_ends.h"
#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "runtime/kernel_calls.h"
#include "runtime/program_variables.h"

namespace retime {
namespace {

constexpr char kSpacedArrow[] = " --> ";

// The first "-->" beginning at or after `from`, or `n`. Its '>' is rare in
// subtitle text, so that is the byte searched for.
size_t arrowAtOrAfter(const uint8_t* p, size_t n, size_t from) {
    for (size_t at = from + 2; at < n;) {
        const auto* hit = static_cast<const uint8_t*>(std::memchr(p + at, '>', n - at));
        if (!hit) return n;
        const auto j = static_cast<size_t>(hit - p);
        if (p[j - 1] == '-' && p[j - 2] == '-') return j - 2;
        at = j + 1;
    }
    return n;
}

}  // namespace

bool retimeInOnePass(const prog::ByteSetBlock* input, engine::FitMode mode, ByteBuffer& out,
                     TimeLineWatcher* watcher) {
    const uint8_t* p = input ? prog::bytesOf(input) : nullptr;
    const size_t n = prog::byteCount(input);
    const prog::ProgramVariables* v = prog::vars();
    const int32_t boundaries[3] = {v->boundary1, v->boundary2, v->boundary3};
    // Most time lines come out as long as they went in.
    out.reserve(out.size() + n + n / 16 + 64);

    // The header part, as the scan makes it.
    size_t arrow = arrowAtOrAfter(p, n, 0);
    size_t lineStart = arrow < n ? static_cast<size_t>(engine::lineStartBefore(p, static_cast<int64_t>(arrow))) : n;
    const bool endsInLineEnd = n > 0 && engine::isLineEndByte(p[n - 1]);
    if (arrow < n ? lineStart > 0 : endsInLineEnd) {
        out.append(p, lineStart);
    } else {
        out.append(p, arrow < n ? 0 : n);
        const int64_t first = engine::lineEndAtOrAfter(p, static_cast<int64_t>(n), 0);
        if (first == static_cast<int64_t>(n)) {
            out.append("\r\n", 2);
        } else {
            out.append(p + first, static_cast<size_t>(engine::lineEndLength(p, static_cast<int64_t>(n), first)));
        }
    }
    const size_t headerSize = out.size();

    while (arrow < n) {
        const auto lineEnd =
            static_cast<size_t>(engine::lineEndAtOrAfter(p, static_cast<int64_t>(n), static_cast<int64_t>(arrow)));
        TimeLineSeen seen{lineStart, lineStart, arrow - lineStart, arrow + 3, lineEnd - arrow - 3, 0, 0, 0, 0, true};
        seen.start = engine::parseTimeBytes(input, static_cast<int32_t>(seen.startText) + 1,
                                            static_cast<int32_t>(seen.startLength));
        seen.end = engine::parseTimeBytes(input, static_cast<int32_t>(seen.endText) + 1,
                                          static_cast<int32_t>(seen.endLength));

        const size_t next = arrowAtOrAfter(p, n, lineEnd);
        const size_t nextLineStart =
            next < n ? static_cast<size_t>(engine::lineStartBefore(p, static_cast<int64_t>(next))) : n;

        const engine::SegmentFit fit =
            engine::storedSegmentFit(mode, engine::segmentFor(seen.start, mode, boundaries));
        seen.mappedStart = engine::mapTime(seen.start, fit);
        seen.mappedEnd = engine::mapTime(seen.end, fit);
        seen.held = engine::mapTimeHolds(seen.start, fit) && engine::mapTimeHolds(seen.end, fit);
        uint8_t line[2 * engine::kLongestTimeText + 5];
        size_t length = static_cast<size_t>(engine::writeTimeText(seen.mappedStart, line));
        std::memcpy(line + length, kSpacedArrow, 5);
        length += 5;
        length += static_cast<size_t>(engine::writeTimeText(seen.mappedEnd, line + length));

        const size_t tail = nextLineStart - lineEnd;
        if (out.size() + length + tail > static_cast<size_t>(engine::kMaxSubtitleBytes)) {
            out.truncate(headerSize);
            return false;
        }
        out.append(line, length);
        out.append(p + lineEnd, tail);
        if (watcher) watcher->timeLine(seen);

        arrow = next;
        lineStart = nextLineStart;
    }
    return true;
}

}  // namespace retime
