#include "film/speech_detector.h"

#include <math.h>

#include <algorithm>
#include <array>
#include <complex>
#include <new>

#include "film/piece_decoder.h"
#include "film/webrtc_vad.h"

namespace film {

namespace {

constexpr int kAggressiveness = 3;  // WebRTC's most sparing mode: fewest non-speech frames called speech
constexpr int kWindow = 512;        // 64 ms analysis window, ending with the frame
constexpr int kBands = 8;           // log-spaced over the speech band
constexpr double kLowHz = 250, kHighHz = 3800;
constexpr float kFloorDb = -70;     // quieter than this counts as silence (no flux)
constexpr float kBandRangeDb = 30;  // bands this far below the loudest count at that level
constexpr int kFluxSpan = 15;       // frames either side averaged: 0.3 s
constexpr double kSpeechFluxDb = 1.0;   // mean flux above this is speech; held chords and tones stay below
constexpr float kFluxUnit = 16;     // stored in 1/16 dB

using Complex = std::complex<float>;

struct Tables {
    std::array<float, kWindow> hann;
    std::array<Complex, kWindow / 2> twiddle;
    std::array<int, kWindow> reversed;
    std::array<int, kBands + 1> edge;  // FFT bins
    Tables() {
        for (int i = 0; i < kWindow; ++i) hann[i] = static_cast<float>(0.5 - 0.5 * cos(2 * M_PI * i / kWindow));
        for (int i = 0; i < kWindow / 2; ++i) twiddle[i] = std::polar(1.0f, static_cast<float>(-2 * M_PI * i / kWindow));
        int bits = 0;
        while ((1 << bits) < kWindow) ++bits;
        for (int i = 0; i < kWindow; ++i) {
            int r = 0;
            for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
            reversed[i] = r;
        }
        const double binHz = static_cast<double>(kDetectorRate) / kWindow;
        for (int b = 0; b <= kBands; ++b)
            edge[b] = static_cast<int>(lround(kLowHz * pow(kHighHz / kLowHz, static_cast<double>(b) / kBands) / binHz));
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

void fft(std::array<Complex, kWindow>& x) {
    const Tables& t = tables();
    for (int i = 0; i < kWindow; ++i)
        if (i < t.reversed[i]) std::swap(x[i], x[t.reversed[i]]);
    for (int len = 2; len <= kWindow; len <<= 1) {
        int step = kWindow / len;
        for (int i = 0; i < kWindow; i += len)
            for (int j = 0; j < len / 2; ++j) {
                Complex u = x[i + j], v = x[i + j + len / 2] * t.twiddle[j * step];
                x[i + j] = u + v;
                x[i + j + len / 2] = u - v;
            }
    }
}

}  // namespace

SpeechDetector::SpeechDetector() : vad_(WebRtcVad_Create()), history_(kWindow, 0.0f), bands_(kBands, kFloorDb) {
    if (vad_ == nullptr || WebRtcVad_Init(vad_) != 0 || WebRtcVad_set_mode(vad_, kAggressiveness) != 0)
        throw std::bad_alloc();
}

SpeechDetector::~SpeechDetector() { WebRtcVad_Free(vad_); }

SpeechDetector::Frame SpeechDetector::frame(int64_t index, const int16_t* samples) {
    if (index % kDetectorResetFrames == 0) {
        WebRtcVad_Init(vad_);
        WebRtcVad_set_mode(vad_, kAggressiveness);
    }
    Frame out{};
    out.voice = WebRtcVad_Process(vad_, kDetectorRate, samples, kFrameSamples) == 1;

    std::copy(history_.begin() + kFrameSamples, history_.end(), history_.begin());
    for (int i = 0; i < kFrameSamples; ++i) history_[kWindow - kFrameSamples + i] = samples[i] / 32768.0f;
    const Tables& t = tables();
    std::array<Complex, kWindow> x;
    for (int i = 0; i < kWindow; ++i) x[i] = Complex(history_[i] * t.hann[i], 0.0f);
    fft(x);
    // Bands far below the loudest one hold only coding noise, whose level
    // wanders from frame to frame: they count at the floor.
    std::array<float, kBands> db;
    float loudest = kFloorDb;
    for (int b = 0; b < kBands; ++b) {
        float energy = 0;
        for (int k = t.edge[b]; k < t.edge[b + 1]; ++k) energy += std::norm(x[k]);
        db[b] = 10.0f * log10f(energy / static_cast<float>(t.edge[b + 1] - t.edge[b]) + 1e-12f);
        loudest = std::max(loudest, db[b]);
    }
    float flux = 0;
    for (int b = 0; b < kBands; ++b) {
        float level = std::max({kFloorDb, db[b], loudest - kBandRangeDb});
        flux += fabsf(level - bands_[b]);
        bands_[b] = level;
    }
    out.flux = static_cast<uint8_t>(std::min(255.0f, flux / kBands * kFluxUnit + 0.5f));
    return out;
}

std::vector<uint8_t> decideSpeech(const std::vector<uint8_t>& voice, const std::vector<uint8_t>& flux) {
    size_t n = std::min(voice.size(), flux.size());
    std::vector<uint32_t> sum(n + 1, 0);
    for (size_t i = 0; i < n; ++i) sum[i + 1] = sum[i] + flux[i];
    std::vector<uint8_t> speech(voice.size(), 0);
    for (size_t i = 0; i < n; ++i) {
        if (!voice[i]) continue;
        size_t a = i >= kFluxSpan ? i - kFluxSpan : 0, b = std::min(n, i + kFluxSpan + 1);
        double mean = static_cast<double>(sum[b] - sum[a]) / static_cast<double>(b - a) / kFluxUnit;
        speech[i] = mean > kSpeechFluxDb ? 1 : 0;
    }
    return speech;
}

}  // namespace film
