// Candidate offsets from the cross-correlation of binned speech signals.
#include "align/coarse_offsets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace align {
namespace {

// Bins are at least 100 ms wide, and wider when both subtitles together would
// need more than the caller allows: the transform stays small, and the exact
// search around each peak recovers the millisecond.
constexpr int64_t kFinestBin = 100;
// Peaks looked at closely, per peak wanted.
constexpr std::size_t kMaximaPerPeak = 64;

// In-place radix-2 transform; `roots` holds exp(-2 pi i k / n) for k < n / 2.
void transform(std::vector<std::complex<double>>& a, const std::vector<std::complex<double>>& roots,
               const std::vector<uint32_t>& reversed, bool inverse) {
    const std::size_t n = a.size();
    for (std::size_t i = 1; i < n; ++i) {
        if (i < reversed[i]) std::swap(a[i], a[reversed[i]]);
    }
    // The butterflies in plain doubles (std::complex is an array of two),
    // without the checks for infinities of its multiplication.
    double* d = reinterpret_cast<double*>(a.data());
    const double* w = reinterpret_cast<const double*>(roots.data());
    const double sign = inverse ? -1.0 : 1.0;
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::size_t step = n / length;
        const std::size_t half = length / 2;
        for (std::size_t i = 0; i < n; i += length) {
            double* u = d + 2 * i;
            double* v = d + 2 * (i + half);
            for (std::size_t k = 0; k < half; ++k) {
                const double wr = w[2 * k * step];
                const double wi = sign * w[2 * k * step + 1];
                const double vr = v[2 * k] * wr - v[2 * k + 1] * wi;
                const double vi = v[2 * k] * wi + v[2 * k + 1] * wr;
                const double ur = u[2 * k];
                const double ui = u[2 * k + 1];
                u[2 * k] = ur + vr;
                u[2 * k + 1] = ui + vi;
                v[2 * k] = ur - vr;
                v[2 * k + 1] = ui - vi;
            }
        }
    }
}

}  // namespace

CoarseOffsets::CoarseOffsets(const ReferenceCues& ref, int64_t inputStart, int64_t inputEnd, int64_t mostBins) {
    int64_t refStart = 0;
    int64_t refEnd = 1;
    if (!ref.spans().empty()) {
        refStart = ref.spans().front().start;
        refEnd = refStart + 1;
        for (const Span& s : ref.spans()) refEnd = std::max(refEnd, s.end);
    }
    inputEnd = std::max(inputEnd, inputStart + 1);
    const int64_t total = (inputEnd - inputStart) + (refEnd - refStart);
    binWidth_ = std::max(kFinestBin, (total + mostBins - 1) / mostBins);
    inputBase_ = inputStart;
    refBase_ = refStart;
    inputBins_ = static_cast<std::size_t>((inputEnd - inputStart) / binWidth_ + 1);
    const auto refBins = static_cast<std::size_t>((refEnd - refStart) / binWidth_ + 1);
    size_ = 2;
    while (size_ < inputBins_ + refBins) size_ <<= 1;

    roots_.resize(size_ / 2);
    for (std::size_t k = 0; k < roots_.size(); ++k) {
        roots_[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size_));
    }
    reversed_.assign(size_, 0);
    int bits = 0;
    while ((std::size_t{1} << bits) < size_) ++bits;
    for (std::size_t i = 1; i < size_; ++i) {
        reversed_[i] = static_cast<uint32_t>((reversed_[i >> 1] >> 1) | ((i & 1) << (bits - 1)));
    }
    const std::vector<double> signal = signalOf(ref.spans(), refBase_, refBins);
    refSpectrum_.assign(size_, 0.0);
    std::copy(signal.begin(), signal.end(), refSpectrum_.begin());
    transform(refSpectrum_, roots_, reversed_, false);
}

std::vector<double> CoarseOffsets::signalOf(std::span<const Span> cues, int64_t base, std::size_t bins) const {
    // Each cue adds 1 / sqrt(its length) per millisecond it covers, so that
    // a pair of cues adds its overlap / the geometric mean of the lengths.
    std::vector<double> signal(bins, 0.0);
    const int64_t last = static_cast<int64_t>(bins) * binWidth_;
    for (const Span& c : cues) {
        const int64_t from = std::clamp<int64_t>(c.start - base, 0, last);
        const int64_t to = std::clamp<int64_t>(c.end - base, 0, last);
        if (to <= from) continue;
        const double level = 1.0 / std::sqrt(static_cast<double>(c.end - c.start)) / static_cast<double>(binWidth_);
        for (int64_t bin = from / binWidth_; bin * binWidth_ < to; ++bin) {
            const int64_t covered = std::min(to, (bin + 1) * binWidth_) - std::max(from, bin * binWidth_);
            signal[static_cast<std::size_t>(bin)] += level * static_cast<double>(covered);
        }
    }
    return signal;
}

void CoarseOffsets::correlate(std::span<const Span> first, const std::span<const Span>* second) const {
    // Two real signals travel as the real and imaginary parts of one: their
    // spectra are told apart by symmetry, and the two correlations, both
    // real, come back the same way.
    std::vector<std::complex<double>>& spectrum = work_;
    spectrum.assign(size_, 0.0);
    const std::vector<double> a = signalOf(first, inputBase_, inputBins_);
    for (std::size_t t = 0; t < a.size(); ++t) spectrum[t] = a[t];
    if (second) {
        const std::vector<double> b = signalOf(*second, inputBase_, inputBins_);
        for (std::size_t t = 0; t < b.size(); ++t) spectrum[t].imag(b[t]);
    }
    transform(spectrum, roots_, reversed_, false);
    if (second) {
        const std::complex<double> half(0.5, 0.0);
        const std::complex<double> halfOverI(0.0, -0.5);
        for (std::size_t k = 0; k <= size_ / 2; ++k) {
            const std::size_t m = (size_ - k) % size_;
            const std::complex<double> zk = spectrum[k];
            const std::complex<double> zm = spectrum[m];
            const std::complex<double> xk = half * (zk + std::conj(zm));
            const std::complex<double> yk = halfOverI * (zk - std::conj(zm));
            // Bin m holds the conjugates (the signals are real).
            spectrum[k] = std::conj(xk) * refSpectrum_[k] + std::complex<double>(0, 1) * (std::conj(yk) * refSpectrum_[k]);
            if (m != k) {
                spectrum[m] = xk * refSpectrum_[m] + std::complex<double>(0, 1) * (yk * refSpectrum_[m]);
            }
        }
    } else {
        for (std::size_t k = 0; k < size_; ++k) spectrum[k] = std::conj(spectrum[k]) * refSpectrum_[k];
    }
    transform(spectrum, roots_, reversed_, true);
    const double scale = 1.0 / static_cast<double>(size_);
    correlation_[0].resize(size_);
    for (std::size_t k = 0; k < size_; ++k) correlation_[0][k] = spectrum[k].real() * scale;
    if (second) {
        correlation_[1].resize(size_);
        for (std::size_t k = 0; k < size_; ++k) correlation_[1][k] = spectrum[k].imag() * scale;
    }
}

CoarseOffsets::Peaks CoarseOffsets::peaks(std::span<const Span> input, std::size_t count, int64_t spacing) const {
    correlate(input, nullptr);
    return pick(correlation_[0], count, spacing);
}

std::vector<CoarseOffsets::Peaks> CoarseOffsets::peaksOfEach(const std::vector<std::span<const Span>>& inputs,
                                                             std::size_t count, int64_t spacing) const {
    std::vector<Peaks> all;
    for (std::size_t i = 0; i < inputs.size(); i += 2) {
        correlate(inputs[i], i + 1 < inputs.size() ? &inputs[i + 1] : nullptr);
        all.push_back(pick(correlation_[0], count, spacing));
        if (i + 1 < inputs.size()) all.push_back(pick(correlation_[1], count, spacing));
    }
    return all;
}

CoarseOffsets::Peaks CoarseOffsets::pick(const std::vector<double>& correlation, std::size_t count, int64_t spacing) const {
    // correlation[k] pairs input bin t with REF bin t + k (k taken modulo the
    // length, negative k at the top end).
    auto at = [&](std::size_t k) { return correlation[k % size_]; };
    std::vector<std::size_t> maxima;
    for (std::size_t k = 0; k < size_; ++k) {
        const double c = correlation[k];
        if (c > 0 && c >= at(k + size_ - 1) && c > at(k + 1)) maxima.push_back(k);
    }
    auto higher = [&](std::size_t x, std::size_t y) { return correlation[x] > correlation[y]; };
    if (maxima.size() > count * kMaximaPerPeak) {
        std::nth_element(maxima.begin(), maxima.begin() + static_cast<std::ptrdiff_t>(count * kMaximaPerPeak),
                         maxima.end(), higher);
        maxima.resize(count * kMaximaPerPeak);
    }
    std::sort(maxima.begin(), maxima.end(), higher);

    Peaks result;
    if (!maxima.empty()) result.highest = correlation[maxima.front()];
    const auto apart = static_cast<std::size_t>(std::max<int64_t>(1, spacing / binWidth_));
    std::vector<std::size_t> taken;
    for (std::size_t k : maxima) {
        if (taken.size() == count) break;
        bool near = false;
        for (std::size_t t : taken) {
            const std::size_t d = k > t ? k - t : t - k;
            near = near || std::min(d, size_ - d) < apart;
        }
        if (near) continue;
        taken.push_back(k);
        const int64_t bins = k < size_ - inputBins_ ? static_cast<int64_t>(k) : static_cast<int64_t>(k) - static_cast<int64_t>(size_);
        result.offsets.push_back(refBase_ - inputBase_ + bins * binWidth_);
    }
    return result;
}

}  // namespace align
