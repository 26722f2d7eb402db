// Decoding an audio stream in several pieces at once: evenly spaced pieces,
// one thread each, every piece handed to a sink of its own; progress and
// cancellation on the calling thread.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "film/film.h"
#include "film/piece_decoder.h"

namespace film {

struct PieceSpan {
    int64_t from = 0;
    int64_t to = INT64_MAX;
};

// Evenly spaced pieces of whole frames over `samples` (unknown: -1, one piece).
std::vector<PieceSpan> planPieces(int64_t samples, int threads);

struct ParallelDecode {
    Outcome outcome = Outcome::Failed;
    std::string error;  // without the file name
    std::vector<PieceSpan> spans;
    std::vector<PieceResult> pieces;
};

// The sink for piece `n` of `spans` (asked again when the pieces are re-planned).
using SinkFactory = std::function<SampleSink&(const std::vector<PieceSpan>& spans, size_t n)>;

// `samples`: the stream's expected length at kDetectorRate, -1 unknown.
// Falls back to one piece when a piece's start cannot be reached.
ParallelDecode decodeInPieces(const std::string& path, int streamIndex, const AVCodecParameters* codec,
                              int64_t originUs, int64_t samples, int threads, const SinkFactory& sinks,
                              const std::function<void(double)>& progress, const std::atomic<bool>* cancel);

// Threads to use when the caller says 0.
int defaultThreads();

}  // namespace film
