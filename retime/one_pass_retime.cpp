// One pass over the input: every byte in order, each changed time written
// anew, straight into the output.
#include "retime/one_pass_retime.h"

#include <cstring>

#include "engine/subtitle_rewrite.h"
#include "runtime/program_variables.h"

namespace retime {
namespace {

// The times of each cue as read, every time told to the watcher.
struct ReadCues {
    TimeLineWatcher* watcher;

    void times(int32_t, int32_t, int32_t, int32_t*, int32_t*) const {}
    void seen(const engine::TimeWritten& time) const {
        if (watcher) watcher->timeWritten(time);
    }
};

struct BufferSink {
    ByteBuffer& out;
    size_t limit;

    bool append(const uint8_t* bytes, int32_t count) {
        if (count <= 0) return true;
        const auto n = static_cast<size_t>(count);
        if (out.size() + n > limit) return false;
        if (n <= out.room()) {
            // Room reserved for the whole result: the pieces go in place.
            std::memcpy(out.end(), bytes, n);
            out.grow(n);
        } else {
            out.append(bytes, n);
        }
        return true;
    }
};

}  // namespace

bool retimeInOnePass(const prog::ByteSetBlock* input, const engine::SubtitleReading& reading, engine::FitMode mode,
                     ByteBuffer& out, TimeLineWatcher* watcher) {
    const size_t n = prog::byteCount(input);
    const prog::ProgramVariables* v = prog::vars();
    const int32_t boundaries[3] = {v->boundary1, v->boundary2, v->boundary3};
    const size_t before = out.size();
    // Most times come out as long as they went in.
    out.reserve(before + n + n / 16 + 64);
    ReadCues cues{watcher};
    BufferSink sink{out, before + static_cast<size_t>(engine::kMaxSubtitleBytes)};
    if (!engine::rewriteTimes(input, reading, mode, boundaries, cues, sink)) {
        out.truncate(before);
        return false;
    }
    return true;
}

}  // namespace retime
