// The first, coarse look for offsets: both subtitles as signals of speech
// over time bins, their cross-correlation over every offset at once (through
// a fast Fourier transform), and its highest peaks as candidate offsets.
#pragma once

#include <stdint.h>

#include <complex>
#include <span>
#include <vector>

#include "align/overlap_score.h"

namespace align {

class CoarseOffsets {
public:
    // Prepares REF's signal for INPUT cues ending before `inputEnd` (after
    // scaling by any ratio tried) and starting at or after `inputStart`, with
    // at most `mostBins` bins for both together (bins at least 100 ms wide).
    CoarseOffsets(const ReferenceCues& ref, int64_t inputStart, int64_t inputEnd, int64_t mostBins);

    int64_t binWidth() const { return binWidth_; }

    // The correlation of the (scaled) INPUT cues with REF: its highest value,
    // and up to `count` peaks at least `spacing` ms apart as offsets (ms, the
    // middle of the bin), best first.
    struct Peaks {
        double highest = 0;
        std::vector<int64_t> offsets;
    };
    Peaks peaks(std::span<const Span> input, std::size_t count, int64_t spacing) const;
    // The same for several sets of cues, two sharing each transform.
    std::vector<Peaks> peaksOfEach(const std::vector<std::span<const Span>>& inputs, std::size_t count,
                                   int64_t spacing) const;

private:
    // The correlations of one or two sets of cues with REF.
    void correlate(std::span<const Span> first, const std::span<const Span>* second) const;
    Peaks pick(const std::vector<double>& correlation, std::size_t count, int64_t spacing) const;

    std::vector<double> signalOf(std::span<const Span> cues, int64_t base, std::size_t bins) const;

    int64_t binWidth_ = 1;
    int64_t inputBase_ = 0;
    int64_t refBase_ = 0;
    std::size_t inputBins_ = 0;
    std::size_t size_ = 0;  // transform length, a power of two
    std::vector<std::complex<double>> refSpectrum_;
    std::vector<std::complex<double>> roots_;
    std::vector<uint32_t> reversed_;  // bit-reversed index, for the transform
    mutable std::vector<std::complex<double>> work_;
    mutable std::vector<double> correlation_[2];
};

}  // namespace align
