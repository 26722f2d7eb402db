// The cues of a text subtitle stream inside a film.
#include <algorithm>

#include "film/film.h"
#include "film/media_file.h"
#include "messages/messages.h"

namespace film {

namespace {

// FFmpeg's text subtitle decoders give each event as an ASS event line:
// "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text".
std::string eventText(const char* ass) {
    std::string line = ass;
    size_t at = 0;
    for (int field = 0; field < 8 && at != std::string::npos; ++field) {
        at = line.find(',', at);
        if (at != std::string::npos) ++at;
    }
    std::string text = at == std::string::npos ? line : line.substr(at);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'N' || text[i + 1] == 'n')) {
            out += '\n';
            ++i;
        } else if (text[i] != '\r' && !(text[i] == '\n' && i + 1 == text.size())) {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

bool readSubtitleStream(const std::string& path, int subtitleStream, std::vector<SubtitleCue>& cues,
                        std::string& error) {
    cues.clear();
    FilmInfo info;
    if (!probeFilm(path, info, error)) return false;
    if (info.subtitles.empty()) {
        error = messages::say("%s: has no text subtitle stream", {path});
        return false;
    }
    if (subtitleStream < 0 || subtitleStream >= static_cast<int>(info.subtitles.size())) {
        error = messages::say("%s: has no subtitle stream %s (its text subtitle streams are 0 to %s)",
                              {path, std::to_string(subtitleStream), std::to_string(info.subtitles.size() - 1)});
        return false;
    }
    std::string why;
    FormatPtr format = openFormat(path, nullptr, true, why);
    if (!format) {
        error = messages::say("%s: %s", {path, why});
        return false;
    }
    int index = info.subtitles[static_cast<size_t>(subtitleStream)].index;
    AVStream* stream = format->streams[index];
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecPtr codec(decoder != nullptr ? avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0 ||
        (codec->pkt_timebase = stream->time_base, avcodec_open2(codec.get(), decoder, nullptr)) < 0) {
        error = messages::say("%s: cannot decode its subtitle stream %s (%s)",
                              {path, std::to_string(subtitleStream), avcodec_get_name(stream->codecpar->codec_id)});
        return false;
    }
    int64_t origin = info.originUs;
    const AVRational ms{1, 1000};
    PacketPtr packet(av_packet_alloc());
    int damaged = 0;
    for (;;) {
        int rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) {
            if (rc != AVERROR_EOF) ++damaged;
            break;
        }
        if (packet->stream_index == index && packet->pts != AV_NOPTS_VALUE) {
            AVSubtitle sub{};
            int got = 0;
            if (avcodec_decode_subtitle2(codec.get(), &sub, &got, packet.get()) < 0) {
                ++damaged;
            } else if (got) {
                SubtitleCue cue;
                cue.startMs = av_rescale_q(packet->pts, stream->time_base, ms) - av_rescale_q(origin, AV_TIME_BASE_Q, ms);
                int64_t length = packet->duration > 0 ? av_rescale_q(packet->duration, stream->time_base, ms)
                                                       : static_cast<int64_t>(sub.end_display_time) - sub.start_display_time;
                cue.endMs = cue.startMs + std::max<int64_t>(length, 0);
                for (unsigned r = 0; r < sub.num_rects; ++r) {
                    const AVSubtitleRect* rect = sub.rects[r];
                    if (rect->ass == nullptr) continue;
                    if (!cue.text.empty()) cue.text += '\n';
                    cue.text += eventText(rect->ass);
                }
                cues.push_back(std::move(cue));
                avsubtitle_free(&sub);
            }
        }
        av_packet_unref(packet.get());
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const SubtitleCue& a, const SubtitleCue& b) { return a.startMs < b.startMs; });
    if (cues.empty() && damaged > 0) {
        error = messages::say("%s: its subtitle stream %s cannot be read (damaged)", {path, std::to_string(subtitleStream)});
        return false;
    }
    return true;
}

}  // namespace film
