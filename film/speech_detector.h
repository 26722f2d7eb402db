// Speech or not, 10 ms at a time, for mono samples at kDetectorRate.
//
// Two measures per frame: WebRTC's voice activity detector, which tells
// sound with a voice's spectrum from silence and noise but takes music and
// steady tones for speech, and the spectral flux (how fast the loudness of
// the speech bands changes from frame to frame): speech changes constantly,
// a held chord or a tone does not. decideSpeech joins them over the whole
// timeline.
#pragma once

#include <stdint.h>

#include <vector>

struct WebRtcVadInst;

namespace film {

// The detector starts afresh at every multiple of this many frames, so that a
// piece decoded on its own from such a point gives the same frames as the
// whole film decoded in one go.
constexpr int64_t kDetectorResetFrames = 3000;  // 30 s

class SpeechDetector {
public:
    SpeechDetector();
    ~SpeechDetector();
    SpeechDetector(const SpeechDetector&) = delete;
    SpeechDetector& operator=(const SpeechDetector&) = delete;

    struct Frame {
        bool voice;    // WebRTC's verdict
        uint8_t flux;  // mean change of the bands' loudness, in 1/16 dB
    };
    // kFrameSamples samples, frame number `index` of the film.
    Frame frame(int64_t index, const int16_t* samples);

private:
    WebRtcVadInst* vad_;
    std::vector<float> history_;  // the analysis window's samples
    std::vector<float> bands_;    // the previous frame's band loudness, dB
};

// Speech frames: a voice where the flux around the frame is that of speech.
// `voice` and `flux` as the frames gave them; the result has their length.
std::vector<uint8_t> decideSpeech(const std::vector<uint8_t>& voice, const std::vector<uint8_t>& flux);

}  // namespace film
