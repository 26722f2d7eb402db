// Listing a film's streams.
#include <stdio.h>

#include <algorithm>

#include "film/film.h"
#include "film/media_file.h"
#include "messages/messages.h"

namespace film {

namespace {

std::string tag(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
    return e != nullptr && e->value != nullptr ? e->value : "";
}

// Commentary and described-video tracks are never the default choice.
bool isSideTrack(const AVStream* s) {
    if ((s->disposition & (AV_DISPOSITION_COMMENT | AV_DISPOSITION_VISUAL_IMPAIRED |
                           AV_DISPOSITION_HEARING_IMPAIRED | AV_DISPOSITION_DESCRIPTIONS)) != 0)
        return true;
    std::string title = tag(s->metadata, "title");
    std::transform(title.begin(), title.end(), title.begin(), [](unsigned char c) { return std::tolower(c); });
    return title.find("comment") != std::string::npos;
}

}  // namespace

std::string clockText(int64_t ms) {
    if (ms < 0) ms = 0;
    int64_t s = ms / 1000;
    char text[32];
    snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
             static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return text;
}

bool probeFilm(const std::string& path, FilmInfo& info, std::string& error) {
    info = FilmInfo{};
    switch (sniffFile(path)) {
    case FileKind::Missing:
        error = messages::say("%s: cannot be opened (no such file, or no permission to read it)", {path});
        return false;
    case FileKind::Directory:
        error = messages::say("%s: is a directory, not a film", {path});
        return false;
    case FileKind::Empty:
        error = messages::say("%s: is empty (0 bytes), not a film", {path});
        return false;
    case FileKind::Text:
        error = messages::say("%s: is a text file (a subtitle?), not a film or sound file", {path});
        return false;
    case FileKind::Media:
        break;
    }
    std::string why;
    FormatPtr format = openFormat(path, nullptr, true, why);
    if (!format) {
        error = messages::say("%s: %s", {path, why});
        return false;
    }
    info.container = format->iformat->name;
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) info.durationMs = format->duration / 1000;
    if (format->start_time != AV_NOPTS_VALUE && format->start_time > 0) info.originUs = format->start_time;
    int bestDefault = -1, bestOther = -1, bestSide = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        const AVCodecParameters* par = s->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            AudioStream a;
            a.index = static_cast<int>(i);
            a.codec = avcodec_get_name(par->codec_id);
            a.language = tag(s->metadata, "language");
            a.title = tag(s->metadata, "title");
            a.channels = par->ch_layout.nb_channels;
            a.sampleRate = par->sample_rate;
            a.isDefault = (s->disposition & AV_DISPOSITION_DEFAULT) != 0;
            a.decodable = avcodec_find_decoder(par->codec_id) != nullptr && par->sample_rate > 0;
            int position = static_cast<int>(info.audio.size());
            if (a.decodable) {
                int& slot = isSideTrack(s) ? bestSide : a.isDefault ? bestDefault : bestOther;
                if (slot < 0) slot = position;
            }
            info.audio.push_back(std::move(a));
        } else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE && isTextSubtitle(par)) {
            SubtitleStream t;
            t.index = static_cast<int>(i);
            t.codec = avcodec_get_name(par->codec_id);
            t.language = tag(s->metadata, "language");
            t.title = tag(s->metadata, "title");
            info.subtitles.push_back(std::move(t));
        }
    }
    info.bestAudio = bestDefault >= 0 ? bestDefault : bestOther >= 0 ? bestOther : bestSide;
    return true;
}

}  // namespace film
