// A batch: the files' runs apart from the batch's process, at most `jobs` at once.
#include "retime/batch_runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "retime/complaint.h"
#include "retime/exit_status.h"
#include "retime/item_process.h"
#include "retime/library_walk.h"
#include "retime/messages.h"
#include "retime/retime_options.h"
#include "retime/run_report.h"
#include "retime/terminal_text.h"

namespace retime {
namespace fs = std::filesystem;
namespace {

struct ItemResult {
    int status = kExitFileOrTime;
    std::string report;  // the run's JSON report
    std::string reason;  // its last complaint, when not done
};

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The last "tessaly-retime: " line of a run's standard error, without the tag.
std::string lastComplaint(const std::string& err) {
    constexpr std::string_view kTag = "tessaly-retime: ";
    std::string found;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kTag, 0) == 0) found = line.substr(kTag.size());
    }
    return found;
}

// The items of a batch of file arguments.
std::vector<BatchItem> fileItems(const RetimeOptions& options) {
    std::vector<BatchItem> items;
    std::set<fs::path> outputs;
    const ScriptOptions& script = options.script;
    for (const std::string& file : options.files) {
        BatchItem item{file, options.aligned.reference, "", script.inPlace, ""};
        std::error_code typeError;
        if (!fs::is_regular_file(file, typeError)) {
            item.refused = fs::exists(file, typeError) ? say("'%s' is not a regular file", {file})
                                                       : say("cannot read '%s': no such file", {file});
        }
        if (script.inPlace) {
            item.output = file;
        } else {
            item.output = (fs::path(script.outputDir) / fs::path(file).filename()).string();
            std::error_code ec;
            if (fs::equivalent(fs::path(file), fs::path(item.output), ec)) {
                item.refused = say("--output-dir is INPUT's own folder: OUTPUT would replace INPUT (use --in-place)");
            }
        }
        const fs::path key = fs::absolute(item.output).lexically_normal();
        if (item.refused.empty() && !outputs.insert(key).second) {
            item.refused = say("another INPUT of the batch has the same name: '%s' written once only", {item.output});
        }
        items.push_back(item);
    }
    return items;
}

// The items of --library DIR, with what the walk says on standard error.
std::vector<BatchItem> libraryItems(const RetimeOptions& options) {
    const LibraryWalk walk = walkLibrary(options.script.library);
    for (const std::string& problem : walk.unreadable) complain(say("cannot list %s", {problem}));
    const std::string line = say("library: %s videos, %s subtitles beside them, %s videos without one, %s subtitles "
                                 "without a video (left alone)",
                                 {std::to_string(walk.videos), std::to_string(walk.pairs.size()),
                                  std::to_string(walk.videosWithout), std::to_string(walk.withoutVideo.size())});
    std::fprintf(stderr, "%s\n", shown(line).c_str());
    std::vector<BatchItem> items;
    for (const LibraryPair& pair : walk.pairs) {
        BatchItem item{pair.subtitle.string(), pair.video.string(), "", options.script.inPlace, ""};
        if (!options.aligned.check) item.output = options.script.inPlace ? item.input : syncedName(pair.subtitle).string();
        items.push_back(item);
    }
    return items;
}

// The batch's own arguments without --reference REF (each item names its own).
std::vector<std::string> withoutReference(const std::vector<std::string>& args) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--reference") {
            ++i;
            continue;
        }
        kept.push_back(args[i]);
    }
    return kept;
}

// The report of an item whose run gave none, from what is known of it.
std::string madeReport(const BatchItem& item, const std::string& reason, int status) {
    RunReport made;
    made.mode = item.output.empty() ? "check" : "reference";
    made.input = item.input;
    made.reference = item.reference;
    made.output = item.output;
    made.errors = {reason};
    made.exitStatus = status;
    return reportJson(made);
}

// The status of a run that ended, from how it ended and its report.
ItemResult finishItem(const BatchItem& item, const ItemEnd& end, const fs::path& reportPath, const fs::path& errPath) {
    ItemResult result;
    result.status = end.status;
    result.reason = end.killed.empty() ? lastComplaint(readText(errPath))
                                       : say("its run ended by %s; nothing written", {end.killed});
    result.report = readText(reportPath);
    if (result.report.empty()) result.report = madeReport(item, result.reason, result.status);
    return result;
}

bool doneStatus(const BatchItem& item, int status) {
    // --check: "in sync" and "needs re-timing" are both answers.
    return status == kExitDone || (item.output.empty() && status == kExitNeedsRetiming);
}

std::string statusWord(const BatchItem& item, int status) {
    if (item.output.empty()) {
        if (status == kExitDone) return tr("in sync");
        if (status == kExitNeedsRetiming) return tr("needs re-timing");
    }
    if (status == kExitDone) return tr("done");
    if (status == kExitUnsure) return tr("unsure");
    if (status == kExitNothingInCommon) return tr("no match");
    return tr("failed");
}

}  // namespace

std::vector<std::string> itemArguments(const std::vector<std::string>& passOn, const BatchItem& item,
                                       const std::string& reportPath) {
    std::vector<std::string> args{"tessaly-retime"};
    args.insert(args.end(), passOn.begin(), passOn.end());
    args.insert(args.end(), {"--reference", item.reference, "--json", reportPath, "--", item.input});
    if (!item.output.empty()) args.push_back(item.output);
    return args;
}

int runBatch(const RetimeOptions& options, std::chrono::steady_clock::time_point started, ItemRun run) {
    const ScriptOptions& script = options.script;
    std::error_code notFolder;
    if (!script.library.empty() && !fs::is_directory(script.library, notFolder)) {
        complain(say("--library: '%s' is not a folder; nothing written", {script.library}));
        return kExitFileOrTime;
    }
    std::vector<BatchItem> items = script.library.empty() ? fileItems(options) : libraryItems(options);
    if (!script.outputDir.empty()) {
        std::error_code ec;
        fs::create_directories(script.outputDir, ec);
        if (ec) {
            complain(say("cannot make the folder '%s': %s; nothing written", {script.outputDir, ec.message()}));
            return kExitFileOrTime;
        }
    }
    fs::path scratch;
    if (std::string error; !makeScratchFolder(scratch, error)) {
        complain(say("%s; nothing written", {error}));
        return kExitFileOrTime;
    }
    const std::vector<std::string> passOn = withoutReference(options.passOn);
    const std::size_t jobs = script.jobs > 0 ? static_cast<std::size_t>(script.jobs)
                                             : std::max(1u, std::thread::hardware_concurrency());

    std::vector<ItemResult> results(items.size());
    std::vector<bool> madeOriginal(items.size(), false);
    ItemRuns runs(run, jobs);
    std::map<ItemId, std::size_t> running;
    auto reportOf = [&](std::size_t k) { return scratch / (std::to_string(k) + ".json"); };
    auto errOf = [&](std::size_t k) { return scratch / (std::to_string(k) + ".err"); };
    std::size_t next = 0;
    while (next < items.size() || !running.empty()) {
        while (next < items.size() && running.size() < jobs) {
            const std::size_t k = next++;
            BatchItem& item = items[k];
            if (item.refused.empty() && item.keepOriginal && !item.output.empty()) {
                // The original kept once: a later run never replaces it.
                const fs::path original = item.input + ".orig";
                std::error_code ec;
                if (!fs::exists(original, ec)) {
                    if (fs::copy_file(item.input, original, ec)) madeOriginal[k] = true;
                    else item.refused = say("cannot keep the original as '%s': %s", {original.string(), ec.message()});
                }
            }
            std::string error = item.refused;
            ItemId id = 0;
            if (!error.empty() || !runs.start(itemArguments(passOn, item, reportOf(k).string()), errOf(k), id, error)) {
                results[k].reason = say("%s; nothing written", {error});
                results[k].report = madeReport(item, results[k].reason, kExitFileOrTime);
                continue;
            }
            running[id] = k;
        }
        if (running.empty()) continue;
        ItemEnd end;
        if (!runs.waitForOne(end)) break;
        const auto found = running.find(end.item);
        if (found == running.end()) continue;
        const std::size_t k = found->second;
        running.erase(found);
        results[k] = finishItem(items[k], end, reportOf(k), errOf(k));
        // Nothing was written: the copy of the original goes again.
        std::error_code ec;
        if (madeOriginal[k] && results[k].status != kExitDone) fs::remove(items[k].input + ".orig", ec);
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);

    // The summary table.
    std::size_t done = 0;
    std::vector<std::string> reports;
    std::size_t width = columnsOf(tr("FILE"));
    for (const BatchItem& item : items) width = std::max(width, columnsOf(item.input));
    width = std::min<std::size_t>(width, 60);
    // The columns as wide as their widest text, in the terminal's columns
    // (a Chinese character takes two).
    std::vector<std::string> words;
    std::size_t resultWidth = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        words.push_back(statusWord(items[k], results[k].status) + " (" + std::to_string(results[k].status) + ")");
        resultWidth = std::max(resultWidth, columnsOf(words.back()));
    }
    const std::string resultHead = tr("RESULT");
    resultWidth = std::max(resultWidth, columnsOf(resultHead));
    auto row = [&](const std::string& result, const std::string& file, const std::string& what) {
        const std::string line = padded(result, resultWidth) + " " + padded(file, width) + " " + what;
        std::fprintf(stderr, "%s\n", line.c_str());
    };
    row(resultHead, tr("FILE"), options.aligned.check ? tr("WHY NOT") : tr("WRITTEN / WHY NOT"));
    for (std::size_t k = 0; k < items.size(); ++k) {
        const ItemResult& r = results[k];
        const bool ok = doneStatus(items[k], r.status);
        done += ok;
        const std::string what = ok ? (items[k].output.empty() ? "" : items[k].output) : shown(r.reason);
        row(words[k], items[k].input, what);
        reports.push_back(r.report);
    }
    const int status = done == items.size() ? kExitDone : kExitBatchIncomplete;
    const std::string total = status == kExitDone
                                  ? say("%s of %s files done", {std::to_string(done), std::to_string(items.size())})
                                  : say("%s of %s files done; the others left as they were",
                                        {std::to_string(done), std::to_string(items.size())});
    std::fprintf(stderr, "%s\n", shown(total).c_str());
    if (!script.json.empty()) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::string error;
        if (!writeReport(script.json, batchJson(reports, done, status, seconds), error)) {
            complain(error);
            return status == kExitDone ? kExitFileOrTime : status;
        }
    }
    return status;
}

}  // namespace retime
