// Reading a film's sound: film in, speech timeline out.
//
// A hosted library beside the aligner (not in the program image). It knows
// nothing of subtitles' text formats or of the command line: it tells a film
// from a text file by its bytes, lists the film's audio and text subtitle
// streams, decodes one audio stream (in several pieces at once, memory bounded
// whatever the length) into a timeline of 10 ms frames saying where speech
// is, and gives the cues of a text subtitle stream. Every failure is one
// message naming the file and what is wrong.
#pragma once

#include <stdint.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace film {

constexpr int kFrameMs = 10;  // one timeline frame

// What a file is, judged by its bytes (never by its name).
enum class FileKind {
    Media,      // anything else: a film or a sound file to read with FFmpeg
    Text,       // a text file (a subtitle stays a subtitle reference)
    Empty,      // 0 bytes
    Directory,
    Missing,    // does not exist or cannot be opened
};
FileKind sniffFile(const std::string& path);

struct AudioStream {
    int index = 0;          // the container's stream index
    std::string codec;      // FFmpeg's short name ("aac", "ac3", ...)
    std::string language;   // the container's tag ("eng"), "" when untagged
    std::string title;
    int channels = 0;
    int sampleRate = 0;
    bool isDefault = false;  // marked default in the container
    bool decodable = false;  // FFmpeg has a decoder for it
};

struct SubtitleStream {
    int index = 0;
    std::string codec;     // "subrip", "ass" or "mov_text"
    std::string language;
    std::string title;
};

struct FilmInfo {
    std::string container;  // FFmpeg's demuxer name
    int64_t durationMs = -1;  // as the container declares it, -1 unknown
    // The film's time 0 in FFmpeg's microseconds: the container's start time
    // when it is later than 0 (an MP3's skipped encoder delay, a broadcast
    // stream's clock), else 0; every time given is from there.
    int64_t originUs = 0;
    std::vector<AudioStream> audio;         // in container order
    std::vector<SubtitleStream> subtitles;  // text streams only
    int bestAudio = -1;  // position in `audio` of the stream used by default, -1 none
};

// Lists a film's streams. False with `error` ("FILE: what is wrong") when the
// file cannot be read as a film (a text file included).
bool probeFilm(const std::string& path, FilmInfo& info, std::string& error);

struct DetectOptions {
    int audioStream = -1;  // position in FilmInfo::audio; -1 the best
    int threads = 0;       // decoding pieces at once; 0 one per core
    // Called on the calling thread about every 50 ms with the share done (0 to 1).
    std::function<void(double)> progress;
    // Set from any thread to stop: the call returns within 100 ms.
    const std::atomic<bool>* cancel = nullptr;
};

struct SpeechTimeline {
    // One value per 10 ms frame from the film's time 0: 1 speech, 0 none.
    std::vector<uint8_t> speech;
    int64_t durationMs() const { return static_cast<int64_t>(speech.size()) * kFrameMs; }
};

enum class Outcome { Done, Cancelled, Failed };

struct DetectResult {
    Outcome outcome = Outcome::Failed;
    std::string error;    // when Failed: "FILE: what is wrong"
    FilmInfo info;
    int audioStream = -1;  // position in info.audio of the stream used
    SpeechTimeline timeline;
    int64_t decodedMs = 0;   // sound decoded
    int64_t missingMs = 0;   // stretches that could not be decoded (silence in the timeline)
    int decodeErrors = 0;    // packets the decoder refused
    int pieces = 1;          // decoded at once
    // Non-empty when part of the sound could not be read (a damaged or cut
    // short file): "FILE: ... decoded 00:41:10 of 02:00:00".
    std::string warning;
};

// Decodes the chosen audio stream and finds its speech.
DetectResult detectSpeech(const std::string& path, const DetectOptions& options);

struct SubtitleCue {
    int64_t startMs = 0;
    int64_t endMs = 0;
    std::string text;  // the text, lines joined with '\n'; styling as ASS override tags ({\i1})
};

// The cues of a text subtitle stream (position in FilmInfo::subtitles), in
// time order.
bool readSubtitleStream(const std::string& path, int subtitleStream, std::vector<SubtitleCue>& cues,
                        std::string& error);

// "01:02:03" for messages.
std::string clockText(int64_t ms);

}  // namespace film
