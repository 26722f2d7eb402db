// The options of tessaly-retime that re-time to a reference subtitle
// (--reference, --splits) or by a frame-rate pair (--fps, --shift).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "retime/anchor_pins.h"

namespace retime {

struct ReferenceOptions {
    std::string reference;             // --reference REF ("-": standard input)
    bool referenceGiven = false;
    int splits = align::AlignSettings{}.maxSplits;  // --splits N
    bool splitsGiven = false;
    std::optional<double> fpsRatio;    // --fps FROM:TO, as FROM / TO
    std::optional<std::string> shift;  // --shift SHIFT
    bool acceptUnsure = false;         // --accept-unsure
    bool check = false;                // --check: align and report, write nothing
    int toleranceMs = 100;             // --tolerance MS: --check's "already in sync"
    std::vector<Anchor> anchors;       // --anchor SOURCE@TARGET
    // With a film as REF: the audio stream to listen to, or the text
    // subtitle stream to align to, each counted from 0 among its kind.
    std::optional<int> audioStream;     // --audio-stream N
    std::optional<int> subtitleStream;  // --subtitle-stream N

    // The exact text of the --fps ratio, for the custom ratio box.
    std::string fpsRatioText() const;
};

// Reads args[i] when it is one of these options (and its value, advancing
// i). True when it was one; `error` then says what is wrong, if anything.
bool readReferenceOption(const std::vector<std::string>& args, std::size_t& i, ReferenceOptions& options,
                         std::string& error);

// Checks the combination once every argument is read: --splits only with
// --reference, --shift only with --fps alone, neither --reference nor --fps
// with the options of the ordinary modes (found in `args`), REF and INPUT not
// both standard input, --audio-stream and --subtitle-stream only with
// --reference and not together. False with a one-line reason in `error`.
bool checkReferenceOptions(const std::vector<std::string>& args, const ReferenceOptions& options,
                           const std::string& input, std::string& error);

// The usage lines of these options.
std::string referenceUsage();

}  // namespace retime
