// REF from a film: its streams listed, its speech found (with progress and
// Ctrl+C), or one of its text subtitle streams read.
#include "retime/film_reference.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "align/speech_reference.h"
#include "film/film.h"
#include "retime/ending_signals.h"
#include "retime/exit_status.h"
#include "retime/film_progress.h"

namespace retime {

namespace {

// While the film is read, an ending signal (retime/ending_signals.h) stops
// the reading, which then ends the tool by the same signal.
std::atomic<bool> stopReading{false};
volatile sig_atomic_t endingSignal = 0;

extern "C" void stopTheReading(int signal) {
    endingSignal = signal;
    stopReading.store(true);
}

// While it lives, an ending signal asks the reading to stop; a signal
// ignored before stays ignored.
class StopOnSignal {
public:
    StopOnSignal() {
        struct sigaction handler {};
        handler.sa_handler = stopTheReading;
        ::sigemptyset(&handler.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) ::sigaction(kEndingSignals[i], &handler, nullptr);
        }
    }
    ~StopOnSignal() {
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    struct sigaction previous_[std::size(kEndingSignals)];
};

// Ends the tool by the signal that stopped the reading, as it would have
// ended without the handler.
[[noreturn]] void endBySignal(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    _exit(128 + signal);
}

std::string streamLine(const film::AudioStream& s, std::size_t n, bool used) {
    std::string line = "  audio " + std::to_string(n) + ": " + s.codec;
    line += ", " + (s.language.empty() ? std::string("no language tag") : s.language);
    if (!s.title.empty()) line += ", \"" + s.title + "\"";
    line += ", " + std::to_string(s.channels) + (s.channels == 1 ? " channel" : " channels");
    if (s.sampleRate > 0) line += ", " + std::to_string(s.sampleRate) + " Hz";
    if (s.isDefault) line += ", default";
    if (!s.decodable) line += ", no decoder";
    if (used) line += "  <- used";
    return line;
}

std::string subtitleLine(const film::SubtitleStream& s, std::size_t n, bool used) {
    std::string line = "  subtitle " + std::to_string(n) + ": " + s.codec;
    line += ", " + (s.language.empty() ? std::string("no language tag") : s.language);
    if (!s.title.empty()) line += ", \"" + s.title + "\"";
    if (used) line += "  <- used";
    return line;
}

// What the film holds, the used stream marked.
std::vector<std::string> streamReport(const std::string& path, const film::FilmInfo& info, int audio, int subtitle) {
    std::vector<std::string> lines;
    lines.push_back("REF " + path + ": a film (" + info.container +
                    (info.durationMs >= 0 ? ", " + film::clockText(info.durationMs) : std::string()) + ")");
    for (std::size_t n = 0; n < info.audio.size(); ++n) {
        lines.push_back(streamLine(info.audio[n], n, static_cast<int>(n) == audio));
    }
    for (std::size_t n = 0; n < info.subtitles.size(); ++n) {
        lines.push_back(subtitleLine(info.subtitles[n], n, static_cast<int>(n) == subtitle));
    }
    return lines;
}

align::Cue clampedCue(int64_t start, int64_t end) {
    auto held = [](int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX)); };
    return align::Cue{held(start), held(end)};
}

std::string share(double part) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", 100 * part);
    return buffer;
}

}  // namespace

bool filmReadingBuilt() { return true; }

int readFilmReference(const ReferenceOptions& options, FilmReference& result, std::string& error,
                      const FilmReading* reading) {
    const std::string& path = options.reference;
    film::FilmInfo info;
    if (!film::probeFilm(path, info, error)) return kExitFileOrTime;

    if (options.subtitleStream) {
        const int n = *options.subtitleStream;
        if (n >= static_cast<int>(info.subtitles.size())) {
            error = "--subtitle-stream " + std::to_string(n) + ": " + path + " has " +
                    (info.subtitles.empty() ? std::string("no text subtitle stream")
                                            : std::to_string(info.subtitles.size()) + " text subtitle stream(s), 0 to " +
                                                  std::to_string(info.subtitles.size() - 1));
            return kExitUsage;
        }
        std::vector<film::SubtitleCue> cues;
        if (!film::readSubtitleStream(path, n, cues, error)) return kExitFileOrTime;
        result.report = streamReport(path, info, -1, n);
        for (const film::SubtitleCue& c : cues) result.cues.push_back(clampedCue(c.startMs, c.endMs));
        return kExitDone;
    }

    film::DetectOptions detect;
    if (options.audioStream) {
        const int n = *options.audioStream;
        if (n >= static_cast<int>(info.audio.size())) {
            error = "--audio-stream " + std::to_string(n) + ": " + path + " has " +
                    (info.audio.empty() ? std::string("no audio stream")
                                        : std::to_string(info.audio.size()) + " audio stream(s), 0 to " +
                                              std::to_string(info.audio.size() - 1));
            return kExitUsage;
        }
        detect.audioStream = n;
    }
    const auto started = std::chrono::steady_clock::now();
    film::DetectResult found;
    if (reading) {
        detect.progress = reading->progress;
        detect.cancel = reading->cancel;
        found = film::detectSpeech(path, detect);
        if (found.outcome == film::Outcome::Cancelled) {
            result.cancelled = true;
            error = path + ": the reading was cancelled";
            return kExitFileOrTime;
        }
    } else {
        {
            ProgressBar bar(stderr, "reading the sound of " + std::filesystem::path(path).filename().string());
            detect.progress = [&bar](double share) { bar.update(share); };
            stopReading.store(false);
            detect.cancel = &stopReading;
            const StopOnSignal stop;
            found = film::detectSpeech(path, detect);
        }
        // A stop asked while the film was read ends the tool by that signal,
        // whatever the reading made of it (an interrupted open is a failure).
        if (endingSignal != 0) endBySignal(endingSignal);
    }
    if (found.outcome != film::Outcome::Done) {
        error = found.error.empty() ? path + ": the sound could not be read" : found.error;
        return kExitFileOrTime;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    result.report = streamReport(path, found.info, found.audioStream, -1);
    int64_t spoken = 0;
    for (uint8_t f : found.timeline.speech) spoken += f;
    char took[32];
    std::snprintf(took, sizeof took, "%.1f s", seconds);
    // The one summary line, printed at once (the tool's): the report follows
    // the alignment.
    if (!reading) {
        std::fprintf(stderr, "read %s of sound in %s (%d piece%s at once): speech in %s of it\n",
                     film::clockText(found.decodedMs).c_str(), took, found.pieces, found.pieces == 1 ? "" : "s",
                     share(found.timeline.speech.empty() ? 0.0
                                                         : static_cast<double>(spoken) /
                                                               static_cast<double>(found.timeline.speech.size()))
                         .c_str());
    }
    if (!found.warning.empty()) result.report.push_back("warning: " + found.warning);
    result.cues = align::speechRuns(found.timeline.speech, film::kFrameMs);
    result.report.push_back("speech: " + std::to_string(result.cues.size()) + " runs of speech are REF's cues");
    return kExitDone;
}

}  // namespace retime
