// The rewrite of a subtitle's times, shared by the engine's rebuild and the
// command line's one-pass re-time: every byte of the input in order, each
// time that the mapping changes written anew in its format's form, every
// other time and byte as it was.
#pragma once

#include <stdint.h>

#include "engine/segment_fitting.h"
#include "engine/subtitle_formats.h"
#include "runtime/program_base.h"
#include "runtime/text_support.h"

namespace engine {

// A cue as it is written: the times read from its time line, the times to
// write (mapped), and the fit its times inside its text go through.
struct CueMapping {
    int32_t readStart, readEnd;
    int32_t start, end;
    SegmentFit fit;
    bool ownTimes;  // start and end are the mapped read times, not a caller's own
};

// The mapping of a cue whose times are `start` and `end` (as read, or as a
// caller stored them in place of the read ones).
inline CueMapping mapCue(int32_t start, int32_t end, int32_t readStart, int32_t readEnd, FitMode mode,
                         const int32_t* boundaries) {
    CueMapping m;
    m.readStart = readStart;
    m.readEnd = readEnd;
    m.fit = storedSegmentFit(mode, segmentFor(start, mode, boundaries));
    m.start = mapTime(start, m.fit);
    m.end = mapTime(end, m.fit);
    m.ownTimes = start == readStart && end == readEnd;
    return m;
}

// A time inside a cue's text: through the cue's fit; when a caller gave the
// cue times of its own, in proportion between its new start and end.
inline int32_t mapInnerTime(int32_t t, const CueMapping& m) {
    if (m.ownTimes) return mapTime(t, m.fit);
    double at = static_cast<double>(m.start) + static_cast<double>(t) - static_cast<double>(m.readStart);
    if (m.readEnd != m.readStart) {
        at = static_cast<double>(m.start) + (static_cast<double>(t) - static_cast<double>(m.readStart)) *
                                                 (static_cast<double>(m.end) - static_cast<double>(m.start)) /
                                                 (static_cast<double>(m.readEnd) - static_cast<double>(m.readStart));
    }
    return static_cast<int32_t>(prog::truncToInt(at >= 0 ? at + 0.5 : at - 0.5));
}

// One time as the rewrite met it, for whoever watches.
struct TimeWritten {
    const FoundTimes* found;  // the item it belongs to
    const CueMapping* cue;    // the cue it belongs to
    TimeSpan span;
    bool cueTime;     // a start or end on a time line; else a time inside cue text
    int32_t read;
    int32_t mapped;   // before a format that holds no time below zero makes it zero
    bool held;        // the mapped time lies in the 32-bit range (mapTime did not wrap it)
};

// Walks `input` in the reading's format and hands every byte of it, in order,
// to out.append(bytes, count) (false: stop, the result would be too large),
// each time that changes in the format's resolution written anew. For the
// n-th cue, cues.times(n, readStart, readEnd, &start, &end) gives the times to
// map (the read ones, or those a caller stored); cues.seen(const TimeWritten&)
// hears of every time. False when out.append refused.
template <class Cues, class Sink>
bool rewriteTimes(const prog::ByteSetBlock* input, const SubtitleReading& reading, FitMode mode,
                  const int32_t* boundaries, Cues& cues, Sink& out) {
    const uint8_t* p = input ? prog::bytesOf(input) : nullptr;
    const auto n = static_cast<int32_t>(prog::byteCount(input));
    TimeFinder finder;
    startFinding(&finder, p, n, reading.format);
    FoundTimes found;
    int32_t copied = 0, index = 0;
    CueMapping cue{};
    uint8_t text[kLongestWrittenTime];

    auto put = [&](TimeSpan span, bool cueTime, int32_t read, int32_t mapped, bool held) {
        if (!out.append(p + copied, span.begin - copied)) return false;
        copied = span.end;
        cues.seen(TimeWritten{&found, &cue, span, cueTime, read, mapped, held});
        if (!timeChanges(mapped, read, reading)) return out.append(p + span.begin, span.end - span.begin);
        return out.append(text, writeTime(mapped, p, span, reading, text));
    };
    while (findTimes(&finder, &found)) {
        if (found.cue) {
            const int32_t a = readTime(input, found.first, reading);
            const int32_t b = readTime(input, found.second, reading);
            const int32_t readStart = found.endFirst ? b : a, readEnd = found.endFirst ? a : b;
            int32_t start = readStart, end = readEnd;
            cues.times(++index, readStart, readEnd, &start, &end);
            cue = mapCue(start, end, readStart, readEnd, mode, boundaries);
            const bool held = mapTimeHolds(start, cue.fit) && mapTimeHolds(end, cue.fit);
            if (!put(found.first, true, a, found.endFirst ? cue.end : cue.start, held)) return false;
            if (!put(found.second, true, b, found.endFirst ? cue.start : cue.end, held)) return false;
        } else if (index > 0) {
            const int32_t t = readTime(input, found.first, reading);
            const bool held = !cue.ownTimes || mapTimeHolds(t, cue.fit);
            if (!put(found.first, false, t, mapInnerTime(t, cue), held)) return false;
        }
    }
    return out.append(p + copied, n - copied);
}

}  // namespace engine
