// The JSON report of a run, through nlohmann-json (escaping, UTF-8 checks).
#include "retime/run_report.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "retime/exit_status.h"
#include "retime/whole_file.h"

namespace retime {

RunReport& runReport() {
    static RunReport report;
    return report;
}

namespace {

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

json orNull(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

json verdictJson(const ReportVerdict& v) {
    return json{{"sure", v.sure},
                {"doubt", orNull(v.doubt)},
                {"cues", v.cues},
                {"partnered", v.partnered},
                {"with_evidence", v.withEvidence},
                {"partner_share", v.partnerShare},
                {"evidence_share", v.evidenceShare},
                {"evidence_time_share", v.evidenceTimeShare},
                {"margin", v.margin ? json(*v.margin) : json(nullptr)},
                {"decided_by", orNull(v.decidedBy)}};
}

}  // namespace

std::string reportJson(const RunReport& r) {
    json pieces = json::array();
    for (const ReportPiece& p : r.pieces) {
        pieces.push_back(json{{"input_start_ms", p.from}, {"shift_ms", p.shift}, {"ratio", p.ratio}});
    }
    json warnings = json::array();
    for (const ReportWarning& w : r.warnings) {
        warnings.push_back(json{{"line", w.line ? json(*w.line) : json(nullptr)}, {"text", w.text}});
    }
    const auto status = static_cast<std::size_t>(r.exitStatus);
    json out{{"schema_version", kReportSchemaVersion},
             {"tool_version", TESSALY_VERSION},
             {"mode", r.mode},
             {"input", r.input.empty() ? "-" : r.input},
             {"reference", orNull(r.reference)},
             {"output", orNull(r.output)},
             {"format", orNull(r.format)},
             {"encoding", orNull(r.encoding)},
             {"ratio", r.ratio ? json(*r.ratio) : json(nullptr)},
             {"frame_rates", orNull(r.frameRates)},
             {"pieces", pieces},
             {"verdict", r.verdict ? verdictJson(*r.verdict) : json(nullptr)},
             {"check", r.check ? json{{"in_sync", r.check->inSync},
                                      {"tolerance_ms", r.check->toleranceMs},
                                      {"largest_move_ms", r.check->largestMoveMs}}
                               : json(nullptr)},
             {"warnings", warnings},
             {"errors", r.errors},
             {"written", r.written ? json{{"path", r.output.empty() ? "-" : r.output}, {"bytes", r.bytesWritten}}
                                   : json(nullptr)},
             {"exit_status", r.exitStatus},
             {"exit_meaning", status < kExitStatuses.size() ? std::string(kExitStatuses[status].meaning) : ""},
             {"seconds", r.seconds}};
    // Texts from a subtitle may hold bytes that are no UTF-8: replaced, not refused.
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string batchJson(const std::vector<std::string>& files, std::size_t done, int exitStatus, double seconds) {
    json entries = json::array();
    for (const std::string& file : files) {
        // A run's report is its own JSON text; one cut short reads as its error.
        json entry = json::parse(file, nullptr, false);
        if (entry.is_discarded()) entry = json{{"errors", json::array({"its report could not be read"})}};
        entries.push_back(std::move(entry));
    }
    const auto status = static_cast<std::size_t>(exitStatus);
    json out{{"schema_version", kReportSchemaVersion},
             {"tool_version", TESSALY_VERSION},
             {"mode", "batch"},
             {"done", done},
             {"not_done", files.size() - done},
             {"files", entries},
             {"exit_status", exitStatus},
             {"exit_meaning", status < kExitStatuses.size() ? std::string(kExitStatuses[status].meaning) : ""},
             {"seconds", seconds}};
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeReport(const std::string& path, const std::string& json, std::string& error) {
    return writeWholeOutput(path, reinterpret_cast<const uint8_t*>(json.data()), json.size(), error);
}

}  // namespace retime
