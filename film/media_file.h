// Opening a film with FFmpeg: owned handles, the interrupt hook that makes a
// cancel flag stop blocking reads, and the message for an FFmpeg error.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <atomic>
#include <memory>
#include <string>

namespace film {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ResamplerFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;

// FFmpeg's text for an error code.
std::string ffmpegError(int code);

// Opens PATH for demuxing; `cancel` (may be null) interrupts blocking reads.
// With `withStreamInfo`, reads ahead until every stream's parameters are
// known. On failure returns null and sets `error` to what is wrong (without
// the file name).
FormatPtr openFormat(const std::string& path, const std::atomic<bool>* cancel, bool withStreamInfo,
                     std::string& error);

// Whether a stream is a text subtitle stream we can give cues of.
bool isTextSubtitle(const AVCodecParameters* par);

}  // namespace film
