// film-speech [--threads N] [--stream N] [--timeline FILE] [--cancel-after S] FILM
// Lists FILM's streams, finds its speech, and prints one line of figures:
// seconds taken, pieces, sound decoded, share of speech. --timeline writes
// the timeline as one character per 10 ms frame ('1' speech, '0' none).
// --cancel-after sets the cancel flag after S seconds and prints how long
// the work took to stop.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "film/film.h"

int main(int argc, char** argv) {
    film::DetectOptions options;
    const char* timelinePath = nullptr;
    const char* path = nullptr;
    double cancelAfter = -1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            options.threads = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--stream") == 0 && i + 1 < argc) {
            options.audioStream = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--timeline") == 0 && i + 1 < argc) {
            timelinePath = argv[++i];
        } else if (strcmp(argv[i], "--cancel-after") == 0 && i + 1 < argc) {
            cancelAfter = atof(argv[++i]);
        } else if (path == nullptr && argv[i][0] != '-') {
            path = argv[i];
        } else {
            fprintf(stderr, "usage: film-speech [--threads N] [--stream N] [--timeline FILE] [--cancel-after S] FILM\n");
            return 2;
        }
    }
    if (path == nullptr) {
        fprintf(stderr, "usage: film-speech [--threads N] [--stream N] [--timeline FILE] FILM\n");
        return 2;
    }
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    std::thread canceller;
    if (cancelAfter >= 0) {
        options.cancel = &cancel;
        canceller = std::thread([&] {
            std::unique_lock<std::mutex> lock(m);
            if (finished.wait_for(lock, std::chrono::duration<double>(cancelAfter), [&] { return done; })) return;
            cancelledAt = std::chrono::steady_clock::now();
            cancel = true;
        });
    }
    auto start = std::chrono::steady_clock::now();
    film::DetectResult r = film::detectSpeech(path, options);
    auto end = std::chrono::steady_clock::now();
    if (canceller.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m);
            done = true;
        }
        finished.notify_all();
        canceller.join();
        if (r.outcome == film::Outcome::Cancelled) {
            printf("cancel_latency_ms %.1f\n", std::chrono::duration<double, std::milli>(end - cancelledAt).count());
            return 0;
        }
    }
    double seconds = std::chrono::duration<double>(end - start).count();
    if (r.outcome != film::Outcome::Done) {
        fprintf(stderr, "%s\n", r.outcome == film::Outcome::Cancelled ? "cancelled" : r.error.c_str());
        return 3;
    }
    for (size_t i = 0; i < r.info.audio.size(); ++i) {
        const film::AudioStream& a = r.info.audio[i];
        fprintf(stderr, "audio %zu: %s %d ch %d Hz %s%s\n", i, a.codec.c_str(), a.channels, a.sampleRate,
                a.language.empty() ? "und" : a.language.c_str(), static_cast<int>(i) == r.audioStream ? " (used)" : "");
    }
    for (size_t i = 0; i < r.info.subtitles.size(); ++i)
        fprintf(stderr, "subtitle %zu: %s %s\n", i, r.info.subtitles[i].codec.c_str(), r.info.subtitles[i].language.c_str());
    if (!r.warning.empty()) fprintf(stderr, "%s\n", r.warning.c_str());
    size_t speech = 0;
    for (uint8_t f : r.timeline.speech) speech += f;
    printf("seconds %.3f pieces %d decoded_ms %lld frames %zu speech %.4f\n", seconds, r.pieces,
           static_cast<long long>(r.decodedMs), r.timeline.speech.size(),
           r.timeline.speech.empty() ? 0.0 : static_cast<double>(speech) / static_cast<double>(r.timeline.speech.size()));
    if (timelinePath != nullptr) {
        std::ofstream out(timelinePath, std::ios::binary);
        for (uint8_t f : r.timeline.speech) out.put(f ? '1' : '0');
        out.put('\n');
        if (!out) {
            fprintf(stderr, "%s: cannot be written\n", timelinePath);
            return 3;
        }
    }
    return 0;
}
