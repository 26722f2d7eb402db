// The options of tessaly-retime for scripts and libraries: --json, --check
// and --tolerance, --version, and the batch options (--output-dir,
// --in-place, --library, --jobs). Read beside the others; the report of the
// run (run_report.h) is begun and finished here.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace retime {

struct RetimeOptions;

struct ScriptOptions {
    std::string json;       // --json FILE|-: "" for none
    bool version = false;   // --version
    std::string outputDir;  // --output-dir DIR
    bool inPlace = false;   // --in-place (keeps NAME.EXT.orig)
    std::string library;    // --library DIR
    int jobs = 0;           // --jobs N: files at once in a batch (0: one per core)
    bool toleranceGiven = false;

    bool batch() const { return !outputDir.empty() || inPlace || !library.empty(); }
};

// Reads args[i] when it is one of these options (and its value, advancing
// i); --check and --tolerance go into `options.aligned`. True when it was
// one; `error` then says what is wrong, if anything.
bool readScriptOption(const std::vector<std::string>& args, std::size_t& i, RetimeOptions& options,
                      std::string& error);

// Checks the combination once every argument is read (`files` the file
// arguments). False with a one-line reason in `error`.
bool checkScriptOptions(const RetimeOptions& options, const std::vector<std::string>& files, std::string& error);

// The usage lines of these options.
std::string scriptUsage();

// The line --version prints.
std::string versionLine();

// Begins this run's report with what the options say.
void beginReport(const RetimeOptions& options);

// Ends it: the exit status and the time since `started`, written to --json's
// file when one was asked for. The exit status to return: `status`, or
// kExitFileOrTime when the report cannot be written after a run that was done.
int finishReport(const RetimeOptions& options, int status, std::chrono::steady_clock::time_point started);

}  // namespace retime
