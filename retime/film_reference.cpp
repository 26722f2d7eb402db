// REF from a film: its streams listed, its speech found (with progress and
// Ctrl+C), or one of its text subtitle streams read.
#include "retime/film_reference.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "align/speech_reference.h"
#include "film/film.h"
#include "retime/exit_status.h"
#include "retime/film_progress.h"
#include "retime/film_stop.h"
#include "retime/messages.h"

namespace retime {

namespace {

// Set while the film is read when the user or the system asks the tool to
// end (retime/film_stop.h).
std::atomic<bool> stopReading{false};

// A stream's line: "  KIND N: CODEC, LANGUAGE, ..." (in the user's language).
std::string streamText(std::string line, const std::string& language, const std::string& title) {
    line += ", " + (language.empty() ? std::string(tr("no language tag")) : language);
    if (!title.empty()) line += ", \"" + title + "\"";
    return line;
}

std::string streamLine(const film::AudioStream& s, std::size_t n, bool used) {
    std::string line = streamText(shown(say("  audio %s: %s", {std::to_string(n), s.codec})), s.language, s.title);
    line += ", " + shown(sayCount("%s channel", "%s channels", static_cast<unsigned long>(s.channels),
                                  {std::to_string(s.channels)}));
    if (s.sampleRate > 0) line += ", " + std::to_string(s.sampleRate) + " Hz";
    if (s.isDefault) line += std::string(", ") + tr("default");
    if (!s.decodable) line += std::string(", ") + tr("no decoder");
    if (used) line += tr("  <- used");
    return line;
}

std::string subtitleLine(const film::SubtitleStream& s, std::size_t n, bool used) {
    std::string line = streamText(shown(say("  subtitle %s: %s", {std::to_string(n), s.codec})), s.language, s.title);
    if (used) line += tr("  <- used");
    return line;
}

// What the film holds, the used stream marked.
std::vector<std::string> streamReport(const std::string& path, const film::FilmInfo& info, int audio, int subtitle) {
    std::vector<std::string> lines;
    lines.push_back(info.durationMs >= 0
                        ? say("REF %s: a film (%s, %s)", {path, info.container, film::clockText(info.durationMs)})
                        : say("REF %s: a film (%s)", {path, info.container}));
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

int readFilmReference(const ReferenceOptions& options, FilmReference& result, std::string& error,
                      const FilmReading* reading) {
    const std::string& path = options.reference;
    film::FilmInfo info;
    if (!film::probeFilm(path, info, error)) return kExitFileOrTime;

    if (options.subtitleStream) {
        const int n = *options.subtitleStream;
        if (n >= static_cast<int>(info.subtitles.size())) {
            error = info.subtitles.empty()
                        ? say("--subtitle-stream %s: %s has no text subtitle stream", {std::to_string(n), path})
                        : say("--subtitle-stream %s: %s has %s text subtitle stream(s), 0 to %s",
                              {std::to_string(n), path, std::to_string(info.subtitles.size()),
                               std::to_string(info.subtitles.size() - 1)});
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
            error = info.audio.empty()
                        ? say("--audio-stream %s: %s has no audio stream", {std::to_string(n), path})
                        : say("--audio-stream %s: %s has %s audio stream(s), 0 to %s",
                              {std::to_string(n), path, std::to_string(info.audio.size()),
                               std::to_string(info.audio.size() - 1)});
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
            ProgressBar bar(stderr,
                            shown(say("reading the sound of %s", {std::filesystem::path(path).filename().string()})));
            detect.progress = [&bar](double share) { bar.update(share); };
            stopReading.store(false);
            detect.cancel = &stopReading;
            const StopOnEndingRequest stop(stopReading);
            found = film::detectSpeech(path, detect);
        }
        // A stop asked while the film was read ends the tool as asked, whatever
        // the reading made of it (an interrupted open is a failure).
        if (endingRequested()) endAsRequested();
    }
    if (found.outcome != film::Outcome::Done) {
        error = found.error.empty() ? say("%s: the sound could not be read", {path}) : found.error;
        return kExitFileOrTime;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    result.report = streamReport(path, found.info, found.audioStream, -1);
    int64_t spoken = 0;
    for (uint8_t f : found.timeline.speech) spoken += f;
    char took[32];
    std::snprintf(took, sizeof took, "%.1f", seconds);
    // The one summary line, printed at once (the tool's): the report follows
    // the alignment.
    const std::string speech =
        share(found.timeline.speech.empty()
                  ? 0.0
                  : static_cast<double>(spoken) / static_cast<double>(found.timeline.speech.size()));
    const std::string line = sayCount("read %s of sound in %s s (%s piece at once): speech in %s of it",
                                      "read %s of sound in %s s (%s pieces at once): speech in %s of it",
                                      static_cast<unsigned long>(found.pieces),
                                      {film::clockText(found.decodedMs), took, std::to_string(found.pieces), speech});
    if (!reading) std::fprintf(stderr, "%s\n", shown(line).c_str());
    if (!found.warning.empty()) result.report.push_back(say("warning: %s", {found.warning}));
    result.cues = align::speechRuns(found.timeline.speech, film::kFrameMs);
    result.report.push_back(say("speech: %s runs of speech are REF's cues", {std::to_string(result.cues.size())}));
    return kExitDone;
}

}  // namespace retime
