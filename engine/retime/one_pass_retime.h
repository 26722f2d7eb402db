// The command line's re-time: the bytes the engine's scanCues and
// rebuildSubtitle give, made in one pass over the input, with no cue lists.
// The engine stays the reference: the tests and the fuzzer hold the two to
// the same bytes on every input.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "engine/segment_fitting.h"
#include "runtime/program_base.h"

namespace retime {

// A growing block of output bytes (malloc'd, so a large one grows in place).
class OutputBytes {
public:
    OutputBytes() = default;
    OutputBytes(const OutputBytes&) = delete;
    OutputBytes& operator=(const OutputBytes&) = delete;
    ~OutputBytes();

    void reserve(size_t capacity);
    void append(const void* bytes, size_t count);
    void truncate(size_t size) { size_ = size < size_ ? size : size_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// One time line as the pass met it, for whoever watches (the warnings).
// Offsets are 0-based into the input.
struct TimeLineSeen {
    size_t lineStart;
    size_t startText, startLength;  // the whole line in front of the "-->"
    size_t endText, endLength;      // the rest of the line behind it
    int32_t start, end;             // as read
    int32_t mappedStart, mappedEnd;
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
bool retimeInOnePass(const prog::ByteSetBlock* input, engine::FitMode mode, OutputBytes& out,
                     TimeLineWatcher* watcher = nullptr);

}  // namespace retime
