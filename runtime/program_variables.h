// The program-level variables: the "var" section of the image, in declaration
// order and without gaps. Addresses take 8 bytes, so the section is 0x74 bytes.
// The runtime hands them over zeroed; setUpGlobals gives the three lists their
// empty blocks, and the adjust action owns everything else.
#pragma once

#include <stdint.h>

#include "runtime/program_base.h"

namespace prog {

struct __attribute__((packed)) ProgramVariables {
    List startList;           // start time of each cue, ms (4-byte elements)
    List endList;             // end time of each cue, ms (4-byte elements)
    List tailList;            // tail of each cue (byte sets, 8-byte elements)
    ByteSet inputBytes;       // the subtitle box's text
    int32_t cursor;           // scan positions of the first rewriting, unused since the
    ByteSet outputBytes;      // the header part, then the whole re-timed text
    int32_t lineStart;        //   walk over a text keeps its own (engine/subtitle_formats.h);
    int32_t lineEnd;          //   they keep their place in the section's layout
    int32_t nextLineStart;
    double ratio1;            // segment 1, or the custom ratio
    int32_t shift1;           // segment 1, or the custom shift
    double ratio2;
    int32_t shift2;
    int32_t boundary1;        // S2 with two segments, S1 with four
    double ratio3;
    int32_t shift3;
    double ratio4;
    int32_t shift4;
    int32_t boundary2;        // S2 with four segments
    int32_t boundary3;        // S3 with four segments
};

constexpr uint32_t kProgramVariablesSize = 0x74;
static_assert(sizeof(ProgramVariables) == kProgramVariablesSize, "var section is 0x74 bytes");
static_assert(__builtin_offsetof(ProgramVariables, inputBytes) == 0x18);
static_assert(__builtin_offsetof(ProgramVariables, cursor) == 0x20);
static_assert(__builtin_offsetof(ProgramVariables, outputBytes) == 0x24);
static_assert(__builtin_offsetof(ProgramVariables, ratio1) == 0x38);
static_assert(__builtin_offsetof(ProgramVariables, boundary1) == 0x50);
static_assert(__builtin_offsetof(ProgramVariables, boundary3) == 0x70);

}  // namespace prog
