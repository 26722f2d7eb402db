// The command line of tessaly-retime, read into what the re-timing needs.
// Every value stays the text given: it is read by the same rules as the box of
// the window it stands for, at the moment the re-timing needs it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/segment_fitting.h"
#include "retime/reference_options.h"
#include "retime/script_options.h"

namespace retime {

struct RetimeOptions {
    engine::FitMode mode = engine::FitMode::TwoSegments;
    std::string customRatio;   // --custom RATIO SHIFT: the custom ratio box
    std::string customShift;   //   and the custom shift box
    std::array<std::string, 5> sources;  // --point ROW=SOURCE@TARGET: source time boxes
    std::array<std::string, 5> targets;  //   and target time boxes ("" reads as 0)
    std::string ratio = "1.00000000";    // --ratio: the custom ratio box for --use-ratio
    std::array<bool, 5> useRatio{};      // --use-ratio ROW, rows 1 to 4
    bool alignStart = true;              // --align start|end
    double frameRate = 0;                // --frame-rate FPS of a MicroDVD INPUT (0: its first line's)
    std::string input;                   // "" or "-": standard input
    std::string output;                  // "" or "-": standard output
    bool help = false;
    ReferenceOptions aligned;            // --reference, --splits, --fps, --shift (reference_options.h)
    ScriptOptions script;                // --json, --version, the batch options (script_options.h)
    std::vector<std::string> files;      // the file arguments, in order
    std::vector<std::string> passOn;     // the arguments that are neither files nor script options
};

// Reads the arguments after the program name. False with a one-line
// description of what is wrong in `error` for bad usage or a bad value.
// Reads ratios through the kernel library: its helper table is in use.
bool parseRetimeOptions(const std::vector<std::string>& args, RetimeOptions& options, std::string& error);

// The text `--help` prints.
const char* retimeUsage();

}  // namespace retime
