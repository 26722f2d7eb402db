#include "film/parallel_decode.h"

#include <chrono>
#include <thread>

#include "film/speech_detector.h"
#include "messages/messages.h"

namespace film {

namespace {
constexpr int64_t kShortestPiece = 60 * kDetectorRate;  // shorter pieces gain less than a seek costs
constexpr int64_t kWarmUp = 3 * kDetectorRate;          // decoded before a piece to prime the detector
constexpr auto kTick = std::chrono::milliseconds(20);
}  // namespace

int defaultThreads() {
    unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 16u));
}

std::vector<PieceSpan> planPieces(int64_t samples, int threads) {
    int64_t count = samples <= 0 ? 1 : std::clamp<int64_t>(samples / kShortestPiece, 1, std::max(threads, 1));
    std::vector<PieceSpan> spans(static_cast<size_t>(count));
    for (int64_t k = 1; k < count; ++k) {
        // On a point where the detector starts afresh: the pieces join as one run would.
        constexpr int64_t grid = kDetectorResetFrames * kFrameSamples;
        int64_t at = (samples * k / count + grid / 2) / grid * grid;
        spans[static_cast<size_t>(k - 1)].to = at;
        spans[static_cast<size_t>(k)].from = at;
    }
    return spans;
}

ParallelDecode decodeInPieces(const std::string& path, int streamIndex, const AVCodecParameters* codec,
                              int64_t originUs, int64_t samples, int threads, const SinkFactory& sinks,
                              const std::function<void(double)>& progress, const std::atomic<bool>* cancel) {
    ParallelDecode run;
    run.spans = planPieces(samples, threads);
    for (;;) {
        size_t n = run.spans.size();
        std::vector<PieceRequest> requests(n);
        std::atomic<int64_t> done{0};
        std::atomic<size_t> finished{0};
        run.pieces.assign(n, PieceResult{});
        std::vector<std::thread> workers;
        for (size_t k = 0; k < n; ++k) {
            PieceRequest& r = requests[k];
            r.path = path;
            r.streamIndex = streamIndex;
            r.codec = codec;
            r.originUs = originUs;
            r.from = run.spans[k].from;
            r.to = run.spans[k].to;
            r.warmUp = k == 0 ? 0 : kWarmUp;
            r.cancel = cancel;
            r.done = &done;
            SampleSink& sink = sinks(run.spans, k);
            auto work = [&run, &requests, &finished, &sink, k] {
                run.pieces[k] = decodePiece(requests[k], sink);
                finished.fetch_add(1);
            };
            // Even a single piece runs on a thread, so that progress and cancel stay live.
            workers.emplace_back(work);
        }
        while (finished.load() < n) {
            std::this_thread::sleep_for(kTick);
            if (progress && samples > 0)
                progress(std::min(1.0, static_cast<double>(done.load()) / static_cast<double>(samples)));
        }
        for (auto& w : workers) w.join();
        bool seekFailed = false;
        for (const PieceResult& p : run.pieces) {
            if (p.cancelled) {
                run.outcome = Outcome::Cancelled;
                return run;
            }
            if (p.failed) {
                run.error = p.error;
                return run;
            }
            seekFailed = seekFailed || p.seekFailed;
        }
        if (seekFailed && n > 1) {
            run.spans.assign(1, PieceSpan{});
            continue;
        }
        if (seekFailed) {
            run.error = messages::say("its audio stream cannot be read from the start");
            return run;
        }
        if (progress) progress(1.0);
        run.outcome = Outcome::Done;
        return run;
    }
}

}  // namespace film
