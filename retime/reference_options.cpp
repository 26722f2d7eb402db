// Reading --reference, --splits, --fps and --shift.
#include "retime/reference_options.h"

#include <array>
#include <string_view>

#include "align/aligner.h"
#include "align/frame_rates.h"
#include "engine/ratio_text.h"
#include "retime/exit_status.h"
#include "retime/messages.h"

namespace retime {

using align::exactDecimal;
using align::kMostSplits;
using align::parseFrameRatePair;

namespace {

// The options of the ordinary modes, which these exclude.
constexpr std::array<std::string_view, 6> kOrdinaryOptions = {"--segments", "--custom", "--point",
                                                              "--ratio",    "--use-ratio", "--align"};

bool isStandardStream(const std::string& path) { return path.empty() || path == "-"; }

}  // namespace

std::string ReferenceOptions::fpsRatioText() const { return fpsRatio ? exactDecimal(*fpsRatio) : ""; }

bool readReferenceOption(const std::vector<std::string>& args, std::size_t& i, ReferenceOptions& options,
                         std::string& error) {
    const std::string& arg = args[i];
    if (arg == "--accept-unsure") {
        options.acceptUnsure = true;
        return true;
    }
    if (arg != "--reference" && arg != "--splits" && arg != "--fps" && arg != "--shift" && arg != "--audio-stream" &&
        arg != "--subtitle-stream") {
        return false;
    }
    if (i + 1 >= args.size()) {
        error = say("option %s needs a value", {arg});
        return true;
    }
    const std::string& value = args[++i];
    if (arg == "--reference") {
        options.reference = value;
        options.referenceGiven = true;
    } else if (arg == "--splits") {
        if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(value) > kMostSplits) {
            error = say("--splits takes a number 0..%s, not '%s'", {std::to_string(kMostSplits), value});
            return true;
        }
        options.splits = std::stoi(value);
        options.splitsGiven = true;
    } else if (arg == "--fps") {
        double ratio = 0;
        if (!parseFrameRatePair(value, ratio, error)) return true;
        // The rule of every other ratio: no speed change beyond ten times.
        if (!engine::ratioInRange(ratio)) {
            error = say("--fps %s gives the ratio %s, not one from 0.1 to 10", {value, exactDecimal(ratio)});
            return true;
        }
        options.fpsRatio = ratio;
    } else if (arg == "--audio-stream" || arg == "--subtitle-stream") {
        if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos) {
            error = say("%s takes a stream number from 0, not '%s'", {arg, value});
            return true;
        }
        (arg == "--audio-stream" ? options.audioStream : options.subtitleStream) = std::stoi(value);
    } else {
        options.shift = value;
    }
    return true;
}

bool checkReferenceOptions(const std::vector<std::string>& args, const ReferenceOptions& options,
                           const std::string& input, std::string& error) {
    if ((options.splitsGiven || options.acceptUnsure) && !options.referenceGiven) {
        error = say("%s goes with --reference", {options.splitsGiven ? "--splits" : "--accept-unsure"});
        return false;
    }
    if ((options.audioStream || options.subtitleStream) && !options.referenceGiven) {
        error = say("%s goes with --reference FILM", {options.audioStream ? "--audio-stream" : "--subtitle-stream"});
        return false;
    }
    if (options.audioStream && options.subtitleStream) {
        error = say("--audio-stream and --subtitle-stream exclude each other (one stream is the reference)");
        return false;
    }
    if (options.shift && (!options.fpsRatio || options.referenceGiven)) {
        error = options.referenceGiven ? say("--shift goes with --fps, not with --reference (it finds the shifts)")
                                       : say("--shift goes with --fps");
        return false;
    }
    if (!options.referenceGiven && !options.fpsRatio) return true;
    const char* mine = options.referenceGiven ? "--reference" : "--fps";
    for (const std::string& arg : args) {
        if (arg == "--") break;
        for (std::string_view ordinary : kOrdinaryOptions) {
            if (arg == ordinary) {
                error = say("%s and %s exclude each other", {mine, arg});
                return false;
            }
        }
    }
    if (options.referenceGiven && isStandardStream(options.reference) && isStandardStream(input)) {
        error = say("REF and INPUT cannot both be standard input");
        return false;
    }
    return true;
}

std::string referenceUsage() {
    return fillPattern(tr("\n"
           "Re-timing to a reference subtitle or film:\n"
           "  --reference REF           re-time INPUT (fitting an old release) to fit the\n"
           "                            release that REF fits, REF being any subtitle of\n"
           "                            it, in any language, or its film (any video or\n"
           "                            sound file, told by its content: INPUT is matched\n"
           "                            to the speech of its sound track): the ratio, the\n"
           "                            places where scenes were added or cut and the\n"
           "                            shift of each piece are found from REF; reported\n"
           "                            on standard error with the window's options for\n"
           "                            the same mapping (the 'window:' line)\n"
           "  --audio-stream N          with a film as REF: listen to its audio stream N\n"
           "                            (from 0; default the best, the report lists them)\n"
           "  --subtitle-stream N       with a film as REF: align to its text subtitle\n"
           "                            stream N (from 0) as to a reference subtitle\n"
           "  --splits N                with --reference: at most N places where scenes\n"
           "                            were added or cut (0..16, default 8)\n"
           "  --accept-unsure           with --reference: write the result even when the\n"
           "                            evidence cannot tell the mapping found from a\n"
           "                            competing one (otherwise exit status %s, nothing\n"
           "                            written)\n"
           "  --fps FROM:TO             the custom ratio FROM/TO of two frame rates, exact\n"
           "                            for 23.976, 29.97 and 59.94 (24000/1001 ...); with\n"
           "                            --reference the ratio to use instead of a search\n"
           "                            (--fps 1:1 keeps the speed)\n"
           "  --shift SHIFT             with --fps alone: the custom shift (default\n"
           "                            +00:00:00,000)\n"),
                       {std::to_string(kExitUnsure)});
}

}  // namespace retime
