// Subtitle text rewriting: the scan into header part and cues, and the
// rebuild that writes the input again with each re-timed time.
#include "engine/subtitle_rewrite.h"

#include "engine/subtitle_formats.h"
#include "engine/time_rewrite.h"
#include "runtime/kernel_calls.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"

namespace engine {
namespace {

using prog::ByteSet;
using prog::ByteSetBlock;

// The bytes [begin, end) of the input as a fresh byte set (nullptr when empty).
ByteSet partOf(const ByteSetBlock* input, int32_t begin, int32_t end) {
    return end > begin ? prog::middleBytes(input, begin + 1, end - begin) : nullptr;
}

// Appends to a byte-set variable in place, growing its block by half again
// when it is full, so that appending piece by piece moves it O(log n) times.
struct ByteSetSink {
    prog::ByteSetVar* variable;
    uint32_t capacity;

    bool append(const uint8_t* bytes, int32_t count) {
        if (count <= 0) return true;
        ByteSet block = *variable;
        const uint32_t have = prog::byteCount(block);
        if (static_cast<uint32_t>(count) > static_cast<uint32_t>(kMaxSubtitleBytes) - have) return false;
        const uint32_t need = have + static_cast<uint32_t>(count);
        if (!block || need > capacity) {
            uint64_t grown = static_cast<uint64_t>(capacity) + capacity / 2 + 64;
            if (grown < need) grown = need;
            if (grown > static_cast<uint64_t>(kMaxSubtitleBytes)) grown = kMaxSubtitleBytes;
            block = static_cast<ByteSet>(vxReallocate(block, static_cast<uint32_t>(8 + grown)));
            block->one = 1;
            block->count = have;
            capacity = static_cast<uint32_t>(grown);
            *variable = block;
        }
        __builtin_memcpy(prog::bytesOf(block) + have, bytes, static_cast<uint64_t>(count));
        block->count = need;
        return true;
    }
};

// The cue times the rebuild maps: those of the cue lists. Counts the times
// that fall below zero where the format writes them as zero.
struct ListedCues {
    const prog::ProgramVariables* v;
    int32_t count;
    bool keepsNegative;
    int32_t belowZero;

    void times(int32_t index, int32_t, int32_t, int32_t* start, int32_t* end) const {
        if (index > count) return;  // a time line the scan did not see: its own times
        *start = prog::intAt(v->startList, index);
        *end = prog::intAt(v->endList, index);
    }
    void seen(const TimeWritten& time) { belowZero += time.mapped < 0 && !keepsNegative; }
};

}  // namespace

void emptyCueLists() {
    prog::ProgramVariables* v = prog::vars();
    prog::resetIntList(&v->startList, 0);
    prog::resetIntList(&v->endList, 0);
    prog::resetAddressList(&v->tailList, 0);
}

ScanResult scanCues(double framesPerSecond) {
    prog::ProgramVariables* v = prog::vars();
    const ByteSetBlock* input = prog::bytesOrEmpty(v->inputBytes);
    const int32_t length = prog::byteSetLength(input);
    if (length > kMaxSubtitleBytes) return ScanResult::TooLarge;
    const uint8_t* p = prog::bytesOf(input);
    const SubtitleReading reading = readingOf(p, length, framesPerSecond);
    if (reading.format == SubtitleFormat::MicroDvd && reading.framesPerSecond <= 0) {
        prog::storeBytes(&v->outputBytes, partOf(input, 0, length));
        return ScanResult::NoFrameRate;
    }

    TimeFinder finder;
    startFinding(&finder, p, length, reading.format);
    FoundTimes found;
    int32_t tailFrom = -1;  // behind the later time of the cue found last
    while (findTimes(&finder, &found)) {
        if (!found.cue) continue;  // a time inside a cue's text stays in its tail
        ByteSet before = partOf(input, tailFrom < 0 ? 0 : tailFrom, found.first.begin);
        if (tailFrom < 0) {
            prog::storeBytes(&v->outputBytes, before);
        } else {
            prog::appendBytes(&v->tailList, before);
            vxFree(before);
        }
        const int32_t a = readTime(input, found.first, reading);
        const int32_t b = readTime(input, found.second, reading);
        prog::appendInt(&v->startList, found.endFirst ? b : a);
        prog::appendInt(&v->endList, found.endFirst ? a : b);
        tailFrom = found.second.end;
    }
    ByteSet rest = partOf(input, tailFrom < 0 ? 0 : tailFrom, length);
    if (tailFrom < 0) {
        prog::storeBytes(&v->outputBytes, rest);
    } else {
        prog::appendBytes(&v->tailList, rest);
        if (rest) vxFree(rest);
    }
    return ScanResult::Scanned;
}

bool rebuildSubtitle(FitMode mode, double framesPerSecond, int32_t* belowZero) {
    prog::ProgramVariables* v = prog::vars();
    const int32_t boundaries[3] = {v->boundary1, v->boundary2, v->boundary3};
    const ByteSetBlock* input = prog::bytesOrEmpty(v->inputBytes);
    const int32_t length = prog::byteSetLength(input);
    const uint32_t headerCount = prog::byteCount(v->outputBytes);
    const SubtitleReading reading = readingOf(prog::bytesOf(input), length, framesPerSecond);
    if (length > kMaxSubtitleBytes || (reading.format == SubtitleFormat::MicroDvd && reading.framesPerSecond <= 0)) {
        return false;
    }

    // The whole text is written again from its start, into the block that
    // holds the header part; most times come out as long as they went in.
    if (v->outputBytes) v->outputBytes->count = 0;
    ByteSetSink out{&v->outputBytes, v->outputBytes ? headerCount : 0};
    const uint32_t room = static_cast<uint32_t>(length) + static_cast<uint32_t>(length) / 16 + 64;
    if (room <= static_cast<uint32_t>(kMaxSubtitleBytes) && room > out.capacity) {
        v->outputBytes = static_cast<ByteSet>(vxReallocate(v->outputBytes, 8 + room));
        v->outputBytes->one = 1;
        v->outputBytes->count = 0;
        out.capacity = room;
    }
    ListedCues cues{v, prog::elementCount(v->startList), rulesOf(reading.format).keepsNegative, 0};
    const bool written = rewriteTimes(input, reading, mode, boundaries, cues, out);
    if (!written && v->outputBytes) v->outputBytes->count = headerCount;
    if (belowZero) *belowZero = cues.belowZero;
    return written;
}

}  // namespace engine
