// The command line's re-time: the bytes the engine's scanCues and
// rebuildSubtitle give, made in one pass over the input, with no cue lists.
// Both write through the same rewrite (engine/time_rewrite.h); the tests and
// the fuzzer hold the two to the same bytes on every input.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "engine/segment_fitting.h"
#include "engine/subtitle_formats.h"
#include "engine/time_rewrite.h"
#include "retime/byte_buffer.h"
#include "runtime/program_base.h"

namespace retime {

// Hears of every time the pass writes, for the warnings.
class TimeLineWatcher {
public:
    virtual ~TimeLineWatcher() = default;
    virtual void timeWritten(const engine::TimeWritten& time) = 0;
};

// Appends to `out` the re-timed input, read as `reading` says (see
// engine::readingOf), mapping with the segments the program variables hold
// (after fitSegments or useCustomMapping), exactly as scanCues then
// rebuildSubtitle(mode) would. False, with `out` as it was, when the result
// would be longer than engine::kMaxSubtitleBytes (as the rebuild refuses it).
bool retimeInOnePass(const prog::ByteSetBlock* input, const engine::SubtitleReading& reading, engine::FitMode mode,
                     ByteBuffer& out, TimeLineWatcher* watcher = nullptr);

}  // namespace retime
