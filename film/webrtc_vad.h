// WebRTC's voice activity detector, as the audio-processing library exports
// it. Debian's libwebrtc-audio-processing-dev 0.3 installs no header for these
// functions (its audio-processing module offers the same detector only behind
// a whole processing pipeline, about three times slower per frame), so they
// are declared here as the library defines them.
#pragma once

#include <stddef.h>
#include <stdint.h>

extern "C" {
struct WebRtcVadInst;
WebRtcVadInst* WebRtcVad_Create();
void WebRtcVad_Free(WebRtcVadInst* handle);
int WebRtcVad_Init(WebRtcVadInst* handle);
// 0 (least aggressive) to 3 (most aggressive in calling a frame not speech).
int WebRtcVad_set_mode(WebRtcVadInst* handle, int mode);
// 1 speech, 0 none, -1 error; 10, 20 or 30 ms at 8, 16, 32 or 48 kHz.
int WebRtcVad_Process(WebRtcVadInst* handle, int fs, const int16_t* audio_frame, size_t frame_length);
}
