// What one run of tessaly-retime did, for --json: filled as the run goes
// (reading, the mapping, the verdict, warnings, what was written) and written
// once at the end as one JSON object of the schema in report.schema.json.
// One run per process: a batch runs each file in a process of its own.
#pragma once

#include <stdint.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace retime {

// The version of the report's layout; report.schema.json gives the same.
inline constexpr int kReportSchemaVersion = 1;

struct ReportPiece {
    int32_t from;   // INPUT time where it starts (ms)
    int32_t shift;  // ms
    double ratio;
};

struct ReportWarning {
    std::optional<int64_t> line;  // the INPUT line it names, if one
    std::string text;
};

struct ReportVerdict {
    bool sure = false;
    std::string doubt;             // when not sure
    int32_t cues = 0;              // INPUT cues considered
    int32_t partnered = 0;         // of these, with a partner in REF
    int32_t withEvidence = 0;      // of these, in pieces with evidence
    double partnerShare = 0;
    double evidenceShare = 0;      // share of the cues with evidence
    double evidenceTimeShare = 0;  // share of INPUT's time they stand for
    std::optional<double> margin;  // chosen score / next candidate's score
    std::string decidedBy;
};

// --check: how far the mapping moves INPUT's cues, against the tolerance.
struct ReportCheck {
    bool inSync = false;
    int32_t toleranceMs = 0;
    int64_t largestMoveMs = 0;
};

struct RunReport {
    std::string mode;       // "segments", "custom", "fps", "reference", "check"
    std::string input;      // "-" for standard input
    std::string reference;  // "" when none
    std::string output;     // "" when nothing is to be written
    std::string format;     // "SRT", "WebVTT", "ASS/SSA", "SBV", "MicroDVD"
    std::string encoding;   // "bytes", "UTF-16LE", "UTF-16BE"
    std::optional<double> ratio;     // the one ratio of the whole mapping, when there is one
    std::string frameRates;          // the frame-rate pair of the ratio ("25 -> 23.976"), "" when none
    std::vector<ReportPiece> pieces;
    std::optional<ReportVerdict> verdict;
    std::optional<ReportCheck> check;
    std::vector<ReportWarning> warnings;
    std::vector<std::string> errors;  // the complaints of the run
    bool written = false;
    uint64_t bytesWritten = 0;
    int exitStatus = 0;
    double seconds = 0;
};

// The report of this run.
RunReport& runReport();

// The report as a JSON text (one object, UTF-8, ending in a line end).
std::string reportJson(const RunReport& report);

// The report of a batch: its exit status and time, and each file's run
// report (`files`, each a reportJson text) in order, `done` of them done.
std::string batchJson(const std::vector<std::string>& files, std::size_t done, int exitStatus, double seconds);

// Writes `json` to `path` ("-": standard output) in full or not at all;
// false with the reason in `error`.
bool writeReport(const std::string& path, const std::string& json, std::string& error);

}  // namespace retime
