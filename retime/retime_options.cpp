// Reading the command line of tessaly-retime.
#include "retime/retime_options.h"

#include <cstddef>
#include <cstdlib>

#include "engine/ratio_text.h"
#include "retime/messages.h"

namespace retime {
namespace {

// A reference row given as one digit in [low, high].
bool readRow(const std::string& text, int low, int high, int& row) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '9') return false;
    row = text[0] - '0';
    return row >= low && row <= high;
}

// A ratio value as the custom ratio box takes it; false with the reason in
// `error`, naming the option.
bool checkRatio(const std::string& option, const std::string& text, std::string& error) {
    double ratio = 0;
    if (engine::readRatioText(text.c_str(), &ratio)) return true;
    error = say("%s '%s' is not a ratio from 0.1 to 10", {option, text});
    return false;
}

}  // namespace

const char* retimeUsage() {
    return tr("Usage: tessaly-retime [OPTIONS] [INPUT [OUTPUT]]\n"
           "Re-times the times of a subtitle: SRT, WebVTT, ASS/SSA, SBV or MicroDVD,\n"
           "known by its content. Only the times change; a time the mapping leaves\n"
           "keeps its text. INPUT and OUTPUT default to\n"
           "standard input and output (\"-\" names them too). OUTPUT is written only\n"
           "once the whole result is ready: a regular file under a temporary name,\n"
           "then renamed over it; a device or FIFO directly. A write-protected OUTPUT\n"
           "is refused (for root too) unless it is INPUT re-timed in place. A line\n"
           "end is CR LF, LF or a lone CR, and each comes back as it was. A UTF-16\n"
           "INPUT (with its byte-order mark) is written back as UTF-16 of the same\n"
           "byte order. Each fitted segment's ratio and shift go to standard error,\n"
           "and so do warnings: no time line at all, time texts that read as other\n"
           "times than they seem, mapped times below zero.\n"
           "\n"
           "  --segments 1|2|4          fitting mode (default 2)\n"
           "  --custom RATIO SHIFT      a custom ratio and shift instead of fitting, e.g.\n"
           "                            --custom 1.001 -00:01:30,000; a ratio is a\n"
           "                            number from 0.1 to 10, \".\" or \",\" its point\n"
           "  --point ROW=SOURCE@TARGET reference row 0..4: the time in the old subtitle\n"
           "                            and the same moment in the new release; blanks\n"
           "                            of TARGET count as zeros; repeatable; rows the\n"
           "                            mode does not use are ignored, used rows not\n"
           "                            given are 0\n"
           "  --ratio R                 the custom ratio of --use-ratio (default 1.00000000)\n"
           "  --use-ratio ROW           rows 1..4: the segment ending at that row uses\n"
           "                            --ratio instead of its fitted ratio; repeatable\n"
           "  --align start|end         anchor each segment's shift at its start or end\n"
           "                            row (default start)\n"
           "  --frame-rate FPS          the frame rate of a MicroDVD INPUT (frame numbers),\n"
           "                            e.g. 23.976; without it, its first line {1}{1}FPS\n");
}

bool parseRetimeOptions(const std::vector<std::string>& args, RetimeOptions& options, std::string& error) {
    bool segmentsGiven = false;
    bool customGiven = false;
    bool optionsEnded = false;
    std::vector<std::string> files;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t first = i;
        bool passOn = true;  // a batch gives each file's run this argument
        // The values an option takes; false (with the error set) when missing.
        auto values = [&](std::size_t n) {
            if (i + n < args.size()) return true;
            error = n == 1 ? say("option %s needs a value", {arg})
                           : say("option %s needs %s values", {arg, std::to_string(n)});
            return false;
        };

        if (!optionsEnded && arg == "-h") {
            options.help = true;
        } else if (optionsEnded || arg == "-" || arg.rfind("--", 0) != 0) {
            files.push_back(arg);
            passOn = false;
        } else if (arg == "--") {
            optionsEnded = true;
            passOn = false;
        } else if (readReferenceOption(args, i, options.aligned, error)) {
            if (!error.empty()) return false;
        } else if (readScriptOption(args, i, options, error)) {
            if (!error.empty()) return false;
            passOn = arg == "--check" || arg == "--tolerance";  // what each file's run does
        } else if (arg == "--help") {
            options.help = true;
        } else if (arg == "--segments") {
            if (!values(1)) return false;
            const std::string& n = args[++i];
            if (n == "1") options.mode = engine::FitMode::OneSegment;
            else if (n == "2") options.mode = engine::FitMode::TwoSegments;
            else if (n == "4") options.mode = engine::FitMode::FourSegments;
            else {
                error = say("--segments takes 1, 2 or 4, not '%s'", {n});
                return false;
            }
            segmentsGiven = true;
        } else if (arg == "--custom") {
            if (!values(2)) return false;
            options.customRatio = args[++i];
            options.customShift = args[++i];
            if (!checkRatio(say("--custom ratio"), options.customRatio, error)) return false;
            customGiven = true;
        } else if (arg == "--point") {
            if (!values(1)) return false;
            const std::string& point = args[++i];
            const std::size_t equals = point.find('=');
            const std::size_t at = point.find('@', equals == std::string::npos ? 0 : equals);
            int row = 0;
            if (equals == std::string::npos || at == std::string::npos) {
                error = say("--point takes ROW=SOURCE@TARGET, not '%s'", {point});
                return false;
            }
            if (!readRow(point.substr(0, equals), 0, 4, row)) {
                error = say("--point row '%s' is not a row 0..4", {point.substr(0, equals)});
                return false;
            }
            options.sources[row] = point.substr(equals + 1, at - equals - 1);
            options.targets[row] = point.substr(at + 1);
        } else if (arg == "--ratio") {
            if (!values(1)) return false;
            options.ratio = args[++i];
            if (!checkRatio("--ratio", options.ratio, error)) return false;
        } else if (arg == "--use-ratio") {
            if (!values(1)) return false;
            int row = 0;
            if (!readRow(args[++i], 1, 4, row)) {
                error = say("--use-ratio row '%s' is not a row 1..4", {args[i]});
                return false;
            }
            options.useRatio[row] = true;
        } else if (arg == "--frame-rate") {
            if (!values(1)) return false;
            const std::string& fps = args[++i];
            char* end = nullptr;
            const double value = std::strtod(fps.c_str(), &end);
            // A plain decimal number: no sign, no exponent, no blanks.
            if (fps.empty() || fps.find_first_not_of("0123456789.") != std::string::npos || *end != '\0' ||
                !(value > 0 && value <= 1000)) {
                error = say("--frame-rate takes a number of frames per second above 0 and at most 1000, not '%s'", {fps});
                return false;
            }
            options.frameRate = value;
        } else if (arg == "--align") {
            if (!values(1)) return false;
            const std::string& how = args[++i];
            if (how == "start") options.alignStart = true;
            else if (how == "end") options.alignStart = false;
            else {
                error = say("--align takes start or end, not '%s'", {how});
                return false;
            }
        } else {
            error = say("unknown option %s", {arg});
            return false;
        }
        if (passOn) options.passOn.insert(options.passOn.end(), args.begin() + static_cast<std::ptrdiff_t>(first),
                                          args.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }

    if (segmentsGiven && customGiven) {
        error = say("--segments and --custom exclude each other");
        return false;
    }
    if (customGiven) options.mode = engine::FitMode::CustomRatio;
    if (!checkScriptOptions(options, files, error)) return false;
    options.files = files;
    if (!options.script.batch()) {
        if (!files.empty()) options.input = files[0];
        if (files.size() > 1) options.output = files[1];
    }
    // Re-timing to a reference subtitle or by a frame-rate pair (reference_options.h).
    if (!checkReferenceOptions(args, options.aligned, options.input, error)) return false;
    if (options.aligned.referenceGiven && options.frameRate > 0) {
        error = say("--frame-rate does not go with --reference (a MicroDVD INPUT or REF there needs its {1}{1}FPS "
                    "first line)");
        return false;
    }
    if (options.aligned.fpsRatio && !options.aligned.referenceGiven) {
        options.mode = engine::FitMode::CustomRatio;
        options.customRatio = options.aligned.fpsRatioText();
        options.customShift = options.aligned.shift.value_or("+00:00:00,000");
    }
    return true;
}

}  // namespace retime
