#include "retime/segments_report.h"

#include "retime/retime_warnings.h"

namespace retime {

void reportReading(engine::SubtitleFormat format, const SubtitleEncoding& encoding) {
    RunReport& report = runReport();
    report.format = formatName(format);
    report.encoding = encoding.utf16 == vexrun::Utf16Order::LittleEndian ? "UTF-16LE"
                      : encoding.utf16 == vexrun::Utf16Order::BigEndian  ? "UTF-16BE"
                                                                         : "bytes";
}

void reportSegments(engine::FitMode mode, const engine::SegmentFits& fits, double customRatio, int32_t customShift) {
    RunReport& report = runReport();
    report.pieces.clear();
    if (mode == engine::FitMode::CustomRatio) {
        report.ratio = customRatio;
        report.pieces.push_back(ReportPiece{0, customShift, customRatio});
        return;
    }
    for (int32_t k = 0; k < fits.count; ++k) {
        report.pieces.push_back(ReportPiece{k == 0 ? 0 : fits.boundaries[k - 1], fits.fits[k].shift, fits.fits[k].ratio});
    }
}

void reportWarnings(const std::vector<ReportWarning>& warnings) {
    std::vector<ReportWarning>& all = runReport().warnings;
    all.insert(all.end(), warnings.begin(), warnings.end());
}

}  // namespace retime
