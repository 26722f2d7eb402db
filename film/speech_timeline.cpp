// detectSpeech: the chosen stream decoded in pieces, each piece's samples
// through a speech detector of its own, the pieces' frames joined.
#include <algorithm>
#include <memory>
#include <optional>

#include "film/film.h"
#include "film/media_file.h"
#include "film/parallel_decode.h"
#include "film/speech_detector.h"
#include "messages/messages.h"

namespace film {

namespace {

// Frames of one piece: every whole 10 ms frame of the grid goes through the
// detector (the warm-up before the piece too); those the piece owns are kept.
class TimelineSink : public SampleSink {
public:
    explicit TimelineSink(int64_t from) : firstFrame_(from / kFrameSamples) {}

    void take(int64_t position, const int16_t* samples, size_t count) override {
        while (count > 0) {
            if (filled_ == 0 && position % kFrameSamples != 0) {
                size_t skip = std::min<size_t>(count, static_cast<size_t>(kFrameSamples - position % kFrameSamples));
                position += static_cast<int64_t>(skip);
                samples += skip;
                count -= skip;
                continue;
            }
            if (filled_ == 0) frameAt_ = position / kFrameSamples;
            size_t n = std::min<size_t>(count, static_cast<size_t>(kFrameSamples - filled_));
            std::copy(samples, samples + n, buffer_ + filled_);
            filled_ += static_cast<int>(n);
            position += static_cast<int64_t>(n);
            samples += n;
            count -= n;
            if (filled_ == kFrameSamples) {
                filled_ = 0;
                SpeechDetector::Frame f = detector_.frame(frameAt_, buffer_);
                if (frameAt_ >= firstFrame_) {
                    size_t i = static_cast<size_t>(frameAt_ - firstFrame_);
                    if (voice_.size() <= i) {
                        voice_.resize(i + 1, 0);
                        flux_.resize(i + 1, 0);
                    }
                    voice_[i] = f.voice ? 1 : 0;
                    flux_[i] = f.flux;
                }
            }
        }
    }

    int64_t firstFrame() const { return firstFrame_; }
    const std::vector<uint8_t>& voice() const { return voice_; }
    const std::vector<uint8_t>& flux() const { return flux_; }

private:
    SpeechDetector detector_;
    int64_t firstFrame_;
    int64_t frameAt_ = 0;
    int16_t buffer_[kFrameSamples] = {};
    int filled_ = 0;
    std::vector<uint8_t> voice_, flux_;
};

DetectResult failed(DetectResult r, const std::string& path, const std::string& why) {
    r.outcome = Outcome::Failed;
    r.error = messages::say("%s: %s", {path, why});
    return r;
}

std::string streamName(const FilmInfo& info, int n) {
    const AudioStream& a = info.audio[static_cast<size_t>(n)];
    const std::string what = a.language.empty() ? a.codec : a.codec + ", " + a.language;
    return messages::say("audio stream %s (%s)", {std::to_string(n), what});
}

}  // namespace

DetectResult detectSpeech(const std::string& path, const DetectOptions& options) {
    DetectResult r;
    if (!probeFilm(path, r.info, r.error)) return r;
    const FilmInfo& info = r.info;
    if (info.audio.empty()) return failed(std::move(r), path, messages::say("has no audio stream"));
    int n = options.audioStream;
    if (n < 0) {
        n = info.bestAudio;
        if (n < 0) return failed(std::move(r), path, messages::say("no decoder for its audio (%s)", {info.audio[0].codec}));
    } else if (n >= static_cast<int>(info.audio.size())) {
        return failed(std::move(r), path,
                      messages::say("has no audio stream %s (its audio streams are 0 to %s)",
                                    {std::to_string(n), std::to_string(info.audio.size() - 1)}));
    } else if (!info.audio[static_cast<size_t>(n)].decodable) {
        return failed(std::move(r), path, messages::say("no decoder for its %s", {streamName(info, n)}));
    }
    r.audioStream = n;

    // The stream's parameters and start come from a probe of our own: the
    // pieces open the file again and must agree with it.
    std::string why;
    FormatPtr format = openFormat(path, options.cancel, true, why);
    if (!format) return failed(std::move(r), path, why);
    const AVStream* stream = format->streams[info.audio[static_cast<size_t>(n)].index];
    int64_t expectedMs = info.durationMs;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        expectedMs = av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    int64_t samples = expectedMs > 0 ? expectedMs * (kDetectorRate / 1000) : -1;

    std::vector<std::unique_ptr<TimelineSink>> sinks;
    auto makeSink = [&sinks](const std::vector<PieceSpan>& spans, size_t k) -> SampleSink& {
        if (k == 0) sinks.clear();
        sinks.push_back(std::make_unique<TimelineSink>(spans[k].from));
        return *sinks.back();
    };
    int threads = options.threads > 0 ? options.threads : defaultThreads();
    ParallelDecode run = decodeInPieces(path, stream->index, stream->codecpar, info.originUs, samples, threads, makeSink,
                                        options.progress, options.cancel);
    if (run.outcome == Outcome::Cancelled) {
        r.outcome = Outcome::Cancelled;
        return r;
    }
    if (run.outcome == Outcome::Failed) return failed(std::move(r), path, run.error);
    r.pieces = static_cast<int>(run.spans.size());

    int64_t end = 0, decoded = 0, missing = 0;
    for (size_t k = 0; k < run.pieces.size(); ++k) {
        const PieceResult& p = run.pieces[k];
        r.decodeErrors += p.errors;
        missing += p.missing;
        if (p.first < 0) continue;
        // A piece that began after its start leaves a hole; it counts as missing.
        if (p.first > run.spans[k].from && k > 0) missing += p.first - run.spans[k].from;
        decoded += p.end - p.first - p.missing;
        end = std::max(end, p.end);
    }
    if (decoded <= 0) {
        return failed(std::move(r), path,
                      r.decodeErrors > 0 ? messages::say("no sound could be decoded from its %s (%s errors)",
                                                             {streamName(info, n), std::to_string(r.decodeErrors)})
                                         : messages::say("its %s holds no sound", {streamName(info, n)}));
    }
    size_t frames = static_cast<size_t>((end + kFrameSamples - 1) / kFrameSamples);
    std::vector<uint8_t> voice(frames, 0), flux(frames, 0);
    for (const auto& sink : sinks) {
        size_t at = static_cast<size_t>(sink->firstFrame());
        if (at >= frames) continue;
        size_t n = std::min(sink->voice().size(), frames - at);
        std::copy_n(sink->voice().begin(), n, voice.begin() + static_cast<ptrdiff_t>(at));
        std::copy_n(sink->flux().begin(), n, flux.begin() + static_cast<ptrdiff_t>(at));
    }
    r.timeline.speech = decideSpeech(voice, flux);
    r.decodedMs = decoded / (kDetectorRate / 1000);
    r.missingMs = missing / (kDetectorRate / 1000);
    int64_t endMs = end / (kDetectorRate / 1000);
    bool short_ = expectedMs > 0 && endMs < expectedMs - std::max<int64_t>(2000, expectedMs / 100);
    if (short_ || r.missingMs > 0 || r.decodeErrors > 0) {
        std::string w = messages::say("%s: damaged or cut short: decoded %s of %s of sound",
                                      {path, clockText(r.decodedMs), clockText(expectedMs > 0 ? expectedMs : endMs)});
        if (short_) w = messages::say("%s, nothing after %s", {w, clockText(endMs)});
        if (r.missingMs > 0) w = messages::say("%s, %s s missing in between", {w, std::to_string((r.missingMs + 500) / 1000)});
        if (r.decodeErrors > 0) w = messages::say("%s, %s decoding errors", {w, std::to_string(r.decodeErrors)});
        r.warning = w;
    }
    r.outcome = Outcome::Done;
    return r;
}

}  // namespace film
