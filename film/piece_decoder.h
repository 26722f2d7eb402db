// Decoding one piece of a film's audio stream: seek a little before the
// piece, decode only that stream, downmix and resample to the detector's
// rate, and hand on the samples that fall in the piece, each at its place on
// one grid that every piece shares, so that pieces decoded at once join
// without gap or overlap.
#pragma once

#include <stdint.h>

#include <atomic>
#include <string>

extern "C" {
#include <libavcodec/codec_par.h>
}

namespace film {

constexpr int kDetectorRate = 8000;  // Hz: the speech detector's input, mono
constexpr int kFrameSamples = kDetectorRate / 100;  // one 10 ms frame
static_assert(kFrameSamples * 100 == kDetectorRate);

class SampleSink {
public:
    virtual ~SampleSink() = default;
    // `count` samples at `position` (samples at kDetectorRate from the film's
    // time 0). Calls come in order and without gaps.
    virtual void take(int64_t position, const int16_t* samples, size_t count) = 0;
};

struct PieceRequest {
    std::string path;
    int streamIndex = 0;
    const AVCodecParameters* codec = nullptr;  // the stream's parameters, from the probe
    int64_t originUs = 0;      // the film's time 0 in FFmpeg's time units (its start time)
    int64_t from = 0;          // first sample the piece owns
    int64_t to = INT64_MAX;    // first sample it does not own
    int64_t warmUp = 0;        // samples before `from` handed on too (they prime the detector)
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<int64_t>* done = nullptr;  // samples of [from, to) handed on so far
};

struct PieceResult {
    bool failed = false;
    std::string error;          // without the file name
    bool cancelled = false;
    bool seekFailed = false;    // could not reach the piece's start: decode it some other way
    int64_t first = -1;         // first sample handed on, -1 none
    int64_t end = 0;            // one past the last sample handed on
    int64_t missing = 0;        // samples filled with silence where the stream had a gap
    int errors = 0;             // packets or frames the decoder refused
};

PieceResult decodePiece(const PieceRequest& request, SampleSink& sink);

}  // namespace film
