// The command line's re-time: the bytes the engine's scanCues and
// rebuildSubtitle give, made in one pass over the input, with no cue lists.
// The engine stays the reference: the tests and the fuzzer hold the two to
// the same bytes on every input.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "engine/retime/byte_buffer.h"
#include "engine/segment_fitting.h"
#include "runtime/program_base.h"

namespace retime {

// One time line as the pass met it, for whoever watches (the warnings).
// Offsets are 0-based into the input.
struct TimeLineSeen {
    size_t lineStart;
    size_t startText, startLength;  // the whole line in front of the "-->"
    size_t endText, endLength;      // the rest of the line behind it
    int32_t start, end;             // as read
    int32_t mappedStart, mappedEnd;
    bool held;                      // both mapped times lie in the 32-bit range (not wrapped)
};

class TimeLineWatcher {
public:
    virtual ~TimeLineWatcher() = default;
    virtual void timeLine(const TimeLineSeen& line) = 0;
};

// Appends to `out` the re-timed input, mapping with the segments the program
// variables hold (after fitSegments or useCustomMapping), exactly as
// scanCues then rebuildSubtitle(mode) would. False, with `out` holding
// the header part alone, when the result would be longer than
// engine::kMaxSubtitleBytes (as the rebuild refuses it).
bool retimeInOnePass(const prog::ByteSetBlock* input, engine::FitMode mode, ByteBuffer& out,
                     TimeLineWatcher* watcher = nullptr);

}  // namespace retime
