#include "film/media_file.h"

#include <mutex>

#include "messages/messages.h"

namespace film {

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

namespace {

int interruptRequested(void* flag) {
    return flag != nullptr && static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
}

}  // namespace

FormatPtr openFormat(const std::string& path, const std::atomic<bool>* cancel, bool withStreamInfo,
                     std::string& error) {
    // FFmpeg's own log lines would repeat, less clearly, what our messages say.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        error = messages::say("out of memory");
        return nullptr;
    }
    raw->interrupt_callback.callback = interruptRequested;
    raw->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(cancel);
    // On failure avformat_open_input frees the context itself.
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = rc == AVERROR_INVALIDDATA ? messages::say("not a film or sound file that can be read") : ffmpegError(rc);
        return nullptr;
    }
    FormatPtr format(raw);
    if (withStreamInfo) {
        rc = avformat_find_stream_info(format.get(), nullptr);
        if (rc < 0) {
            error = messages::say("cannot read its streams: %s", {ffmpegError(rc)});
            return nullptr;
        }
    }
    return format;
}

bool isTextSubtitle(const AVCodecParameters* par) {
    switch (par->codec_id) {
    case AV_CODEC_ID_SUBRIP:
    case AV_CODEC_ID_SRT:
    case AV_CODEC_ID_ASS:
    case AV_CODEC_ID_SSA:
    case AV_CODEC_ID_MOV_TEXT:
    case AV_CODEC_ID_WEBVTT:
    case AV_CODEC_ID_TEXT:
        return true;
    default:
        return false;
    }
}

}  // namespace film
