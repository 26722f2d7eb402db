// --library DIR: every video file under DIR (in every folder below it) and
// the subtitle files beside it whose names start with its name stem and a
// dot ("Film.mkv": "Film.srt", "Film.zh.srt", "Film.en.forced.ass"). A
// subtitle that fits several videos' stems goes with the longest. Files this
// tool writes ("NAME.synced.EXT", "NAME.EXT.orig") are never taken.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace retime {

struct LibraryPair {
    std::filesystem::path subtitle;
    std::filesystem::path video;
};

struct LibraryWalk {
    std::vector<LibraryPair> pairs;                    // in path order
    std::vector<std::filesystem::path> withoutVideo;   // subtitles no video claims
    std::size_t videos = 0;
    std::size_t videosWithout = 0;                     // videos with no subtitle beside them
    std::vector<std::string> unreadable;               // folders that could not be listed
};

LibraryWalk walkLibrary(const std::filesystem::path& dir);

// "Film.zh.srt" -> "Film.zh.synced.srt": where --library writes a subtitle.
std::filesystem::path syncedName(const std::filesystem::path& subtitle);

// Whether a name is one this tool writes (never an input of --library).
bool isToolOutput(const std::filesystem::path& file);

}  // namespace retime
