#include "retime/library_walk.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <string_view>
#include <system_error>

namespace retime {
namespace fs = std::filesystem;
namespace {

// Lower-case extensions, without the dot.
constexpr std::array<std::string_view, 16> kVideoExtensions = {
    "mkv", "mp4", "m4v", "avi", "mov", "wmv", "webm", "ts", "m2ts", "mts", "mpg", "mpeg", "flv", "ogv", "vob", "3gp"};
constexpr std::array<std::string_view, 6> kSubtitleExtensions = {"srt", "vtt", "ass", "ssa", "sbv", "sub"};
constexpr std::string_view kSyncedTag = ".synced";
constexpr std::string_view kOriginalExtension = ".orig";

std::string lowerExtension(const fs::path& file) {
    std::string ext = file.extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

template <std::size_t N>
bool isOneOf(const std::array<std::string_view, N>& list, const std::string& ext) {
    return std::find(list.begin(), list.end(), ext) != list.end();
}

}  // namespace

bool isToolOutput(const fs::path& file) {
    const std::string name = file.filename().string();
    if (name.size() > kOriginalExtension.size() && name.ends_with(kOriginalExtension)) return true;
    const std::string stem = file.stem().string();
    return stem.ends_with(kSyncedTag);
}

fs::path syncedName(const fs::path& subtitle) {
    fs::path out = subtitle;
    out.replace_filename(subtitle.stem().string() + std::string(kSyncedTag) + subtitle.extension().string());
    return out;
}

LibraryWalk walkLibrary(const fs::path& dir) {
    LibraryWalk walk;
    // Each folder's videos (by stem) and subtitles, the folders in path order.
    std::map<fs::path, std::pair<std::vector<std::string>, std::vector<fs::path>>> folders;
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        walk.unreadable.push_back(dir.string() + ": " + ec.message());
        return walk;
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            walk.unreadable.push_back(dir.string() + ": " + ec.message());
            break;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const fs::path& file = it->path();
        const std::string ext = lowerExtension(file);
        auto& [videos, subtitles] = folders[file.parent_path()];
        if (isOneOf(kVideoExtensions, ext)) {
            videos.push_back(file.filename().string());
        } else if (isOneOf(kSubtitleExtensions, ext) && !isToolOutput(file)) {
            subtitles.push_back(file);
        }
    }
    for (auto& [folder, content] : folders) {
        auto& [videos, subtitles] = content;
        std::sort(subtitles.begin(), subtitles.end());
        std::sort(videos.begin(), videos.end());  // the same pairing on every run
        std::vector<bool> claimed(videos.size(), false);
        walk.videos += videos.size();
        for (const fs::path& sub : subtitles) {
            const std::string name = sub.filename().string();
            std::size_t best = videos.size();
            std::size_t bestLength = 0;
            for (std::size_t v = 0; v < videos.size(); ++v) {
                const std::string stem = fs::path(videos[v]).stem().string() + ".";
                if (name.size() > stem.size() && name.starts_with(stem) && stem.size() > bestLength) {
                    best = v;
                    bestLength = stem.size();
                }
            }
            if (best == videos.size()) {
                walk.withoutVideo.push_back(sub);
                continue;
            }
            claimed[best] = true;
            walk.pairs.push_back(LibraryPair{sub, folder / videos[best]});
        }
        walk.videosWithout += static_cast<std::size_t>(std::count(claimed.begin(), claimed.end(), false));
    }
    return walk;
}

}  // namespace retime
