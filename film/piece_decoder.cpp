#include "film/piece_decoder.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "film/media_file.h"
#include "messages/messages.h"

namespace film {

namespace {

constexpr int64_t kReseekStep = 10 * kDetectorRate;  // reach further back when a seek lands late
constexpr int kSeekAttempts = 4;

enum class LoopEnd { Finished, Cancelled, LandedLate };

class PieceDecoder {
public:
    PieceDecoder(const PieceRequest& request, SampleSink& sink)
        : req_(request), sink_(sink), lo_(std::max<int64_t>(0, request.from - request.warmUp)), hi_(request.to) {}

    PieceResult run() {
        std::string why;
        format_ = openFormat(req_.path, req_.cancel, false, why);
        if (format_ && static_cast<int>(format_->nb_streams) <= req_.streamIndex)
            format_ = openFormat(req_.path, req_.cancel, true, why);
        if (!format_) return fail(why);
        if (static_cast<int>(format_->nb_streams) <= req_.streamIndex) return fail(messages::say("its audio stream went missing"));
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            format_->streams[i]->discard = static_cast<int>(i) == req_.streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        stream_ = format_->streams[req_.streamIndex];
        const AVCodecParameters* par = req_.codec != nullptr ? req_.codec : stream_->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        if (decoder == nullptr)
            return fail(messages::say("no decoder for its audio codec (%s)", {avcodec_get_name(par->codec_id)}));
        codec_.reset(avcodec_alloc_context3(decoder));
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!codec_ || !packet_ || !frame_) return fail(messages::say("out of memory"));
        int rc = avcodec_parameters_to_context(codec_.get(), par);
        if (rc >= 0) {
            codec_->thread_count = 1;  // the pieces are the parallelism
            codec_->pkt_timebase = stream_->time_base;
            rc = avcodec_open2(codec_.get(), decoder, nullptr);
        }
        if (rc < 0) return fail(messages::say("its audio decoder (%s) cannot start: %s", {decoder->name, ffmpegError(rc)}));

        for (int attempt = 0;; ++attempt) {
            int64_t target = lo_ - attempt * kReseekStep;
            seekedPast_ = target > 0;
            if (lo_ > 0) {
                int64_t ts = av_rescale_q(std::max<int64_t>(0, target), AVRational{1, kDetectorRate}, stream_->time_base) +
                             av_rescale_q(req_.originUs, AV_TIME_BASE_Q, stream_->time_base);
                if (avformat_seek_file(format_.get(), req_.streamIndex, INT64_MIN, ts, ts, 0) < 0) {
                    result_.seekFailed = true;
                    return result_;
                }
                avcodec_flush_buffers(codec_.get());
                resampler_.reset();
                placed_ = false;
            }
            LoopEnd end = decodeLoop();
            if (end == LoopEnd::Cancelled) {
                result_.cancelled = true;
                return result_;
            }
            if (end == LoopEnd::Finished) break;
            if (attempt + 1 == kSeekAttempts) {
                result_.seekFailed = true;
                return result_;
            }
        }
        return result_;
    }

private:
    PieceResult fail(const std::string& why) {
        result_.failed = true;
        result_.error = why;
        return result_;
    }

    bool cancelled() const { return req_.cancel != nullptr && req_.cancel->load(std::memory_order_relaxed); }

    LoopEnd decodeLoop() {
        bool eof = false;
        while (!finished_) {
            if (cancelled()) return LoopEnd::Cancelled;
            if (!eof) {
                int rc = av_read_frame(format_.get(), packet_.get());
                if (rc < 0) {
                    if (cancelled()) return LoopEnd::Cancelled;
                    if (rc != AVERROR_EOF) ++result_.errors;  // a read error ends the stream as EOF would
                    eof = true;
                    avcodec_send_packet(codec_.get(), nullptr);
                } else {
                    bool ours = packet_->stream_index == req_.streamIndex;
                    if (ours) {
                        rc = avcodec_send_packet(codec_.get(), packet_.get());
                        if (rc < 0 && rc != AVERROR(EAGAIN)) ++result_.errors;
                    }
                    av_packet_unref(packet_.get());
                    if (!ours) continue;
                }
            }
            int rc;
            while ((rc = avcodec_receive_frame(codec_.get(), frame_.get())) >= 0) {
                bool late = !takeFrame(frame_.get());
                av_frame_unref(frame_.get());
                if (late) return LoopEnd::LandedLate;
                if (finished_) return LoopEnd::Finished;
            }
            if (rc == AVERROR_EOF) break;
            if (rc != AVERROR(EAGAIN)) {
                ++result_.errors;
                if (eof) break;
            }
        }
        if (!finished_ && resampler_) {
            flushResampler();
        }
        return LoopEnd::Finished;
    }

    // Places one decoded frame on the grid and resamples it. False when the
    // first frame after a seek starts after the piece does.
    bool takeFrame(AVFrame* f) {
        if (f->nb_samples <= 0 || f->sample_rate <= 0) return true;
        if (resampler_ && (f->sample_rate != inRate_ || f->format != inFormat_ ||
                           av_channel_layout_compare(&f->ch_layout, &inLayout_) != 0)) {
            flushResampler();  // the stream changed its form: start a new grid from its time stamps
            resampler_.reset();
            placed_ = false;
        }
        if (!resampler_ && !startResampler(f)) return true;
        int64_t ts = f->best_effort_timestamp;
        int64_t at = 0;
        if (ts != AV_NOPTS_VALUE)
            at = av_rescale_q(ts, stream_->time_base, AVRational{1, inRate_}) -
                 av_rescale_q(req_.originUs, AV_TIME_BASE_Q, AVRational{1, inRate_});
        int64_t skip = 0;
        if (!placed_) {
            if (ts == AV_NOPTS_VALUE && seekedPast_) return true;  // cannot be placed
            at = snapToFrames(at);
            // The grid starts on a sample whose output position is whole.
            int64_t start = std::max<int64_t>(0, at);
            start = (start + period_ - 1) / period_ * period_;
            skip = start - at;
            if (skip >= f->nb_samples) return true;
            int64_t startOut = start / period_ * outPerPeriod_;
            if (seekedPast_ && startOut > req_.from) return false;
            placed_ = true;
            nextIn_ = start;
            outPos_ = startOut;
        } else if (ts != AV_NOPTS_VALUE) {
            int64_t drift = at - nextIn_;
            int64_t tolerance = std::max<int64_t>(f->nb_samples, inRate_ / 25);
            if (drift > tolerance) {
                int64_t gap = drift / period_ * period_;  // silence where the stream has none
                int64_t before = outPos_;
                feedSilence(gap);
                result_.missing += std::clamp<int64_t>(outPos_, lo_, hi_) - std::clamp<int64_t>(before, lo_, hi_);
                nextIn_ += gap;
            } else if (drift < -tolerance) {
                skip = -drift;  // overlaps what was decoded: keep only what is new
                if (skip >= f->nb_samples) return true;
            }
        }
        const uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
        int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(f->format));
        int channels = f->ch_layout.nb_channels;
        if (av_sample_fmt_is_planar(static_cast<AVSampleFormat>(f->format))) {
            if (channels > AV_NUM_DATA_POINTERS) return true;
            for (int c = 0; c < channels; ++c) planes[c] = f->extended_data[c] + skip * bytes;
        } else {
            planes[0] = f->extended_data[0] + skip * bytes * channels;
        }
        resample(planes, static_cast<int>(f->nb_samples - skip));
        nextIn_ += f->nb_samples - skip;
        return true;
    }

    // In a container whose clock is coarser than the samples (Matroska keeps
    // milliseconds), a frame's time stamp is rounded; where every frame has
    // the codec's fixed size, its true place is the nearest whole frame.
    int64_t snapToFrames(int64_t at) const {
        int frameSize = codec_->frame_size;
        AVRational tb = stream_->time_base;
        if (frameSize <= 0 || static_cast<int64_t>(tb.num) * inRate_ <= tb.den) return at;
        int64_t k = (at >= 0 ? at + frameSize / 2 : at - frameSize / 2) / frameSize;
        return k * frameSize;
    }

    bool startResampler(AVFrame* f) {
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* s = nullptr;
        if (swr_alloc_set_opts2(&s, &mono, AV_SAMPLE_FMT_S16, kDetectorRate, &f->ch_layout,
                                static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr) < 0 ||
            swr_init(s) < 0) {
            swr_free(&s);
            ++result_.errors;
            return false;
        }
        resampler_.reset(s);
        inRate_ = f->sample_rate;
        inFormat_ = f->format;
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_copy(&inLayout_, &f->ch_layout);
        int64_t g = std::gcd<int64_t, int64_t>(inRate_, kDetectorRate);
        period_ = inRate_ / g;
        outPerPeriod_ = kDetectorRate / g;
        return true;
    }

    void resample(const uint8_t** planes, int count) {
        int room = swr_get_out_samples(resampler_.get(), count);
        if (room <= 0) return;
        if (out_.size() < static_cast<size_t>(room)) out_.resize(static_cast<size_t>(room));
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out_.data())};
        int got = swr_convert(resampler_.get(), outPlanes, room, planes, count);
        if (got > 0) hand(out_.data(), got);
    }

    void flushResampler() {
        if (!placed_) return;
        resample(nullptr, 0);
    }

    void feedSilence(int64_t samples) {
        const int chunk = inRate_ / 10;
        if (silence_.empty()) {
            int channels = inLayout_.nb_channels;
            int size = av_samples_get_buffer_size(nullptr, channels, chunk, static_cast<AVSampleFormat>(inFormat_), 1);
            silence_.resize(static_cast<size_t>(std::max(size, 0)));
            std::vector<uint8_t*> p(static_cast<size_t>(channels));
            av_samples_fill_arrays(p.data(), nullptr, silence_.data(), channels, chunk,
                                   static_cast<AVSampleFormat>(inFormat_), 1);
            av_samples_set_silence(p.data(), 0, chunk, channels, static_cast<AVSampleFormat>(inFormat_));
        }
        std::vector<const uint8_t*> planes(static_cast<size_t>(std::max(inLayout_.nb_channels, 1)));
        int planeBytes = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(inFormat_))
                             ? static_cast<int>(silence_.size()) / inLayout_.nb_channels
                             : 0;
        for (size_t c = 0; c < planes.size(); ++c) planes[c] = silence_.data() + c * static_cast<size_t>(planeBytes);
        while (samples > 0 && !finished_) {
            int n = static_cast<int>(std::min<int64_t>(samples, chunk));
            resample(planes.data(), n);
            samples -= n;
        }
    }

    // Hands on what of `count` samples at outPos_ falls in [lo_, hi_).
    void hand(const int16_t* samples, int count) {
        int64_t begin = std::max(outPos_, lo_);
        int64_t end = std::min(outPos_ + count, hi_);
        if (begin < end) {
            sink_.take(begin, samples + (begin - outPos_), static_cast<size_t>(end - begin));
            int64_t ownBegin = std::max(begin, req_.from);
            if (ownBegin < end) {
                if (result_.first < 0) result_.first = ownBegin;
                result_.end = end;
                if (req_.done != nullptr) req_.done->fetch_add(end - ownBegin, std::memory_order_relaxed);
            }
        }
        outPos_ += count;
        if (outPos_ >= hi_) finished_ = true;
    }

    const PieceRequest& req_;
    SampleSink& sink_;
    const int64_t lo_, hi_;
    PieceResult result_;
    FormatPtr format_;
    AVStream* stream_ = nullptr;
    CodecPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    ResamplerPtr resampler_;
    int inRate_ = 0;
    int inFormat_ = -1;
    AVChannelLayout inLayout_{};
    int64_t period_ = 1, outPerPeriod_ = 1;
    bool seekedPast_ = false;
    bool placed_ = false;
    bool finished_ = false;
    int64_t nextIn_ = 0;
    int64_t outPos_ = 0;
    std::vector<int16_t> out_;
    std::vector<uint8_t> silence_;

public:
    ~PieceDecoder() { av_channel_layout_uninit(&inLayout_); }
};

}  // namespace

PieceResult decodePiece(const PieceRequest& request, SampleSink& sink) {
    PieceDecoder decoder(request, sink);
    return decoder.run();
}

}  // namespace film
