// Reading the options for scripts, and the beginning and end of the report.
#include "retime/script_options.h"

#include <algorithm>
#include <cstdlib>

#include "engine/time_text.h"

#include "retime/complaint.h"
#include "retime/exit_status.h"
#include "retime/messages.h"
#include "retime/retime_options.h"
#include "retime/retime_warnings.h"
#include "retime/run_report.h"

namespace retime {
namespace {

// A whole number in [low, high]; false when `text` is anything else.
bool readCount(const std::string& text, long low, long high, int& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    const long n = std::strtol(text.c_str(), nullptr, 10);
    if (n < low || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

bool isStandardStream(const std::string& path) { return path.empty() || path == "-"; }

// A time text of --anchor: one that reads as the time it seems.
bool readAnchorTime(const std::string& text, int32_t& ms) {
    const auto seems = seemingTime(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ms = engine::parseTimeText(text.c_str());
    return !text.empty() && seems && *seems == ms && ms >= 0;
}

void readAnchor(const std::string& text, std::vector<Anchor>& anchors, std::string& error) {
    const std::size_t at = text.find('@');
    Anchor a{};
    if (at == std::string::npos || !readAnchorTime(text.substr(0, at), a.source) ||
        !readAnchorTime(text.substr(at + 1), a.target)) {
        error = say("--anchor takes SOURCE@TARGET, two times such as 00:01:47,250@00:01:52,000, not '%s'", {text});
        return;
    }
    anchors.push_back(a);
}

// The anchors in order of their SOURCE, their TARGETs in the same order.
bool checkAnchors(std::vector<Anchor> anchors, std::string& error) {
    std::sort(anchors.begin(), anchors.end(), [](const Anchor& a, const Anchor& b) { return a.source < b.source; });
    for (std::size_t k = 1; k < anchors.size(); ++k) {
        if (anchors[k].source == anchors[k - 1].source || anchors[k].target <= anchors[k - 1].target) {
            error = say("--anchor: two anchors out of order (a later SOURCE needs a later TARGET, each SOURCE once)");
            return false;
        }
    }
    return true;
}

}  // namespace

bool readScriptOption(const std::vector<std::string>& args, std::size_t& i, RetimeOptions& options,
                      std::string& error) {
    const std::string& arg = args[i];
    ScriptOptions& script = options.script;
    const bool takesValue = arg == "--json" || arg == "--anchor" || arg == "--tolerance" || arg == "--output-dir" ||
                            arg == "--library" || arg == "--jobs";
    if (takesValue && i + 1 >= args.size()) {
        error = say("option %s needs a value", {arg});
        return true;
    }
    if (arg == "--json") {
        script.json = args[++i];
        if (script.json.empty()) error = say("--json takes a file name or -");
    } else if (arg == "--check") {
        options.aligned.check = true;
    } else if (arg == "--tolerance") {
        if (!readCount(args[++i], 0, 3600000, options.aligned.toleranceMs)) {
            error = say("--tolerance takes a whole number of milliseconds from 0 to 3600000, not '%s'", {args[i]});
        }
        script.toleranceGiven = true;
    } else if (arg == "--anchor") {
        readAnchor(args[++i], options.aligned.anchors, error);
    } else if (arg == "--version") {
        script.version = true;
    } else if (arg == "--output-dir") {
        script.outputDir = args[++i];
        if (script.outputDir.empty()) error = say("--output-dir takes a folder");
    } else if (arg == "--in-place") {
        script.inPlace = true;
    } else if (arg == "--library") {
        script.library = args[++i];
        if (script.library.empty()) error = say("--library takes a folder");
    } else if (arg == "--jobs") {
        if (!readCount(args[++i], 1, 256, script.jobs)) {
            error = say("--jobs takes a number of files at once from 1 to 256, not '%s'", {args[i]});
        }
    } else {
        return false;
    }
    return true;
}

bool checkScriptOptions(const RetimeOptions& options, const std::vector<std::string>& files, std::string& error) {
    const ScriptOptions& script = options.script;
    const ReferenceOptions& aligned = options.aligned;
    if (aligned.check && !aligned.referenceGiven && script.library.empty()) {
        error = say("--check needs --reference REF or --library (it compares INPUT with REF)");
        return false;
    }
    if (!aligned.anchors.empty() && (!aligned.referenceGiven || script.batch())) {
        error = say("--anchor goes with --reference REF and one INPUT");
        return false;
    }
    if (!checkAnchors(aligned.anchors, error)) return false;
    if (script.toleranceGiven && !aligned.check) {
        error = say("--tolerance goes with --check");
        return false;
    }
    const int batchModes = !script.outputDir.empty() + script.inPlace + !script.library.empty();
    if (batchModes > 1 && !(script.inPlace && !script.library.empty())) {
        error = say("--output-dir, --in-place and --library: one at a time (--library takes --in-place)");
        return false;
    }
    if (script.jobs > 0 && !script.batch()) {
        error = say("--jobs goes with --output-dir, --in-place or --library");
        return false;
    }
    if (script.batch()) {
        if (!aligned.referenceGiven && script.library.empty()) {
            error = say("a batch needs --reference REF (every INPUT is re-timed to it)");
            return false;
        }
        if (!script.library.empty() && aligned.referenceGiven) {
            error = say("--library finds each subtitle's reference itself (its video): no --reference");
            return false;
        }
        if (!script.library.empty() && !files.empty()) {
            error = say("--library takes no file arguments ('%s')", {files[0]});
            return false;
        }
        if (script.library.empty() && files.empty()) {
            error = say("a batch needs at least one INPUT");
            return false;
        }
        if (aligned.referenceGiven && isStandardStream(aligned.reference)) {
            error = say("a batch reads REF from a file, not standard input");
            return false;
        }
        for (const std::string& f : files) {
            if (isStandardStream(f)) {
                error = say("a batch reads files, not standard input");
                return false;
            }
        }
        if (aligned.check && (!script.outputDir.empty() || script.inPlace)) {
            error = say("--check writes nothing: no --output-dir or --in-place (give the INPUTs alone with --library or "
                    "one at a time)");
            return false;
        }
        return true;
    }
    if (aligned.check && files.size() > 1) {
        error = say("--check writes nothing: no OUTPUT ('%s')", {files[1]});
        return false;
    }
    if (files.size() > 2) {
        error = say("too many files: '%s' (at most INPUT and OUTPUT; more with --output-dir or --in-place)", {files[2]});
        return false;
    }
    if (script.json == "-" && !aligned.check && (files.size() < 2 || isStandardStream(files[1]))) {
        error = say("--json - needs OUTPUT to be a file (standard output carries the subtitle)");
        return false;
    }
    return true;
}

std::string scriptUsage() {
    return tr("\nFor scripts and libraries:\n"
           "  --json FILE|-             one JSON object on the run (report.schema.json):\n"
           "                            mode, files, format, mapping, verdict, warnings,\n"
           "                            what was written, exit status; - is standard\n"
           "                            output when OUTPUT is a file\n"
           "  --check                   with --reference or --library: align and report,\n"
           "                            write nothing;"
           " exit 0 already in sync, 6 needs\n"
           "                            re-timing\n"
           "  --tolerance MS            --check: in sync when no time moves more than MS\n"
           "                            milliseconds (default 100)\n"
           "  --anchor SOURCE@TARGET    with --reference: a moment you know, pinned to the\n"
           "                            millisecond (INPUT time @ new time); repeatable;\n"
           "                            one the evidence contradicts is reported\n"
           "  --output-dir DIR          a batch: every INPUT re-timed to REF into DIR\n"
           "                            under its own name (any number of INPUTs)\n"
           "  --in-place                a batch: every INPUT re-timed in place, the\n"
           "                            original kept as NAME.EXT.orig\n"
           "  --library DIR             every video file under DIR and the subtitles\n"
           "                            beside it sharing its name stem (Film.mkv:\n"
           "                            Film.zh.srt, Film.en.ass), each re-timed to its\n"
           "                            video as NAME.synced.EXT (or --in-place)\n"
           "  --jobs N                  a batch's files at once (default: one per core)\n"
           "  --version                 the version\n"
           "  -h, --help                this text\n");
}

std::string versionLine() { return std::string("tessaly-retime ") + TESSALY_VERSION + "\n"; }

void beginReport(const RetimeOptions& options) {
    RunReport& report = runReport();
    const ReferenceOptions& aligned = options.aligned;
    report.mode = aligned.check            ? "check"
                  : aligned.referenceGiven ? "reference"
                  : aligned.fpsRatio       ? "fps"
                  : options.mode == engine::FitMode::CustomRatio ? "custom"
                                                                 : "segments";
    report.input = isStandardStream(options.input) ? "-" : options.input;
    report.reference = aligned.referenceGiven ? aligned.reference : "";
    report.output = aligned.check ? "" : isStandardStream(options.output) ? "-" : options.output;
}

int finishReport(const RetimeOptions& options, int status, std::chrono::steady_clock::time_point started) {
    if (options.script.json.empty()) return status;
    RunReport& report = runReport();
    report.exitStatus = status;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string error;
    if (!writeReport(options.script.json, reportJson(report), error)) {
        complain(error);
        return status == kExitDone ? kExitFileOrTime : status;
    }
    return status;
}

}  // namespace retime
