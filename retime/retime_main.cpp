// tessaly-retime: the adjust action without the window. Reads a subtitle,
// fits the segments from the reference points given on the command line (or
// takes the custom ratio and shift), re-times every time line, writes the
// result and reports each segment's ratio and shift on standard error.
#include <chrono>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "engine/ratio_text.h"
#include "engine/segment_fitting.h"
#include "engine/subtitle_rewrite.h"
#include "engine/time_text.h"
#include "retime/batch_runner.h"
#include "retime/complaint.h"
#include "retime/exit_status.h"
#include "retime/messages.h"
#include "retime/one_pass_retime.h"
#include "retime/reference_retime.h"
#include "retime/retime_options.h"
#include "retime/retime_warnings.h"
#include "retime/run_report.h"
#include "retime/segments_report.h"
#include "retime/subtitle_files.h"
#include "retime/terminal_text.h"
#include "runtime/const_table.h"
#include "runtime/entry_routine.h"
#include "runtime/kernel_calls.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"
#include "vexrun/kernel/core/helper_table.h"
#include "vexrun/kernel/core/platform.h"

namespace {

using retime::complain;

// The window's boxes, as the options hold their texts. Each read parses the
// text again, as the adjust action reads a box again at every use.
const retime::RetimeOptions& optionsOf(void* context) {
    return *static_cast<const retime::RetimeOptions*>(context);
}

int32_t readSource(void* context, int32_t row) {
    return engine::parseTimeText(optionsOf(context).sources[row].c_str());
}

int32_t readTarget(void* context, int32_t row) {
    prog::Text box = prog::concatText(optionsOf(context).targets[row].c_str());
    prog::Text filled = engine::fillMaskBlanks(&box);
    const int32_t ms = engine::parseTimeText(filled);
    vxFree(filled);
    vxFree(box);
    return ms;
}

bool readUseRatio(void* context, int32_t row) { return optionsOf(context).useRatio[row]; }

// A ratio text, checked when the options were read.
double ratioOf(const std::string& text) {
    double ratio = 0;
    engine::readRatioText(text.c_str(), &ratio);
    return ratio;
}

double readRatio(void* context) { return ratioOf(optionsOf(context).ratio); }

bool readAlignStart(void* context) { return optionsOf(context).alignStart; }

void printGbkLine(const char* gbk) {
    const std::string line = retime::gbkToUtf8(prog::textOrEmpty(gbk)) + "\n";
    std::fputs(line.c_str(), stderr);
}

// Reads, fits, re-times and writes; the exit status. Running out of memory
// throws std::bad_alloc.
int retimeWith(retime::RetimeOptions& options) {
    std::string error;
    // Read and decode.
    retime::SubtitleEncoding encoding;
    retime::ByteBuffer text;
    if (!retime::readSubtitle(options.input, text, encoding, error)) {
        complain(error);
        return retime::kExitFileOrTime;
    }

    // Its format; frame numbers need a frame rate.
    const engine::SubtitleReading reading =
        engine::readingOf(text.data(), static_cast<int32_t>(text.size()), options.frameRate);
    retime::reportReading(reading.format, encoding);
    if (reading.format == engine::SubtitleFormat::MicroDvd && reading.framesPerSecond <= 0) {
        complain(retime::say("%s is MicroDVD (frame numbers) and gives no frame rate: give --frame-rate FPS, or a "
                             "first line {1}{1}FPS; nothing written",
                             {retime::inputName(options.input)}));
        return retime::kExitFileOrTime;
    }

    // Fit.
    engine::SegmentFits fits{};
    if (options.mode == engine::FitMode::CustomRatio) {
        engine::useCustomMapping(ratioOf(options.customRatio),
                                 engine::parseShiftText(options.customShift.c_str()));
    } else {
        const engine::PointSource points{&options, readSource, readTarget, readUseRatio, readRatio,
                                         readAlignStart};
        if (!engine::fitSegments(options.mode, points, &fits)) {
            printGbkLine(prog::constText(image::kConstOrderMessage));
            return retime::kExitSourceOrder;
        }
    }

    // Re-time: the engine's bytes, in one pass.
    const prog::ByteSetBlock* input = text.asByteSet();
    retime::RetimeWarnings warnings(text.data(), text.size(), reading.format);
    retime::ByteBuffer output;
    if (!retime::retimeInOnePass(input, reading, options.mode, output, &warnings)) {
        complain(retime::tooLargeComplaint());
        return retime::kExitFileOrTime;
    }
    text.release();
    if (const std::optional<std::string> unheld = warnings.unheldTime()) {
        complain(*unheld);
        return retime::kExitFileOrTime;
    }

    // Encode and write.
    if (!retime::writeSubtitle(options.output, encoding, output.data(), output.size(), error)) {
        complain(error);
        return retime::kExitFileOrTime;
    }

    retime::reportSegments(options.mode, fits, ratioOf(options.customRatio),
                           engine::parseShiftText(options.customShift.c_str()));
    retime::reportWarnings(warnings.entries());
    for (const std::string& line : warnings.lines()) complain(line);
    for (int32_t k = 0; k < fits.count; ++k) {
        prog::Text line = engine::resultLine(fits.fits[k]);
        printGbkLine(line);
        vxFree(line);
    }
    return retime::kExitDone;
}

// One run of the tool for its command line (without the program's name).
int runTool(const std::vector<std::string>& arguments, std::chrono::steady_clock::time_point started);

// A batch item's run, in a worker that runs one item after another: the
// program's globals and the run's report start as they did for the first.
int runItem(const std::vector<std::string>& arguments) {
    *prog::vars() = prog::ProgramVariables{};
    retime::runReport() = retime::RunReport{};
    return runTool(arguments, std::chrono::steady_clock::now());
}

int runTool(const std::vector<std::string>& arguments, std::chrono::steady_clock::time_point started) {
    retime::RetimeOptions options;
    std::string error;
    if (!retime::parseRetimeOptions(arguments, options, error)) {
        complain(retime::say("%s (see --help)", {error}));
        return retime::kExitUsage;
    }
    if (options.help) {
        std::fputs(retime::retimeUsage(), stdout);
        std::fputs(retime::referenceUsage().c_str(), stdout);
        std::fputs(retime::scriptUsage().c_str(), stdout);
        std::fputs(retime::exitStatusUsage().c_str(), stdout);
        return retime::kExitDone;
    }
    if (options.script.version) {
        std::fputs(retime::versionLine().c_str(), stdout);
        return retime::kExitDone;
    }
    if (options.script.batch()) return retime::runBatch(options, started, runItem);
    retime::beginReport(options);
    int status = retime::kExitFileOrTime;
    try {
        if (options.aligned.referenceGiven) {
            status = retime::retimeToReference(options.aligned, options.input, options.output);
        } else {
            setUpGlobals();
            status = retimeWith(options);
            releaseGlobals();
        }
    } catch (const std::bad_alloc&) {
        complain(retime::say("out of memory; nothing written"));
    }
    return retime::finishReport(options, status, started);
}

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    // The kernel library's commands serve the option reading too.
    prog::useHelperTable(vexrun::hostHelperTable());
#ifdef _WIN32
    // The arguments as typed, in any language: the wide command line as UTF-8.
    (void)argc;
    (void)argv;
    const std::vector<std::string> arguments = vexrun::platform::processArguments();
#else
    const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    retime::useUserLanguage();
    return runTool(arguments, started);
}
