// Files that are no film, or a damaged one: one message naming the file and
// what is wrong, or for a damaged film what could be decoded and a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "film/tests/film_test_support.h"

using namespace film_test;

namespace {

// A folder of this run's own: two runs at once (two builds' tests) must not
// write over each other's damaged films.
std::string scratch(const std::string& name) {
    static const std::filesystem::path dir =
        std::filesystem::path(testing::TempDir()) / ("film-bad-input-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string failure(const std::string& path) {
    film::DetectResult r = film::detectSpeech(path, {});
    EXPECT_EQ(r.outcome, film::Outcome::Failed) << path;
    EXPECT_EQ(r.error.rfind(path + ": ", 0), 0u) << r.error;
    return r.error.substr(std::min(r.error.size(), path.size() + 2));
}

TEST(BadInput, OneMessageNamingTheFile) {
    std::string empty = scratch("empty.mkv"), text = filmPath("tos-en.srt"), noise = scratch("noise.mp4");
    write(empty, "");
    std::string random(200000, '\0');
    uint32_t x = 12345;
    for (char& c : random) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    write(noise, random);
    // A wave whose codec tag names no codec FFmpeg decodes.
    std::string wave = bytesOf(filmPath("tos-en-10db-wav.wav")).substr(0, 400000);
    wave[20] = '\x34';
    wave[21] = '\x12';
    std::string unknown = scratch("unknown-codec.wav");
    write(unknown, wave);

    EXPECT_EQ(failure(empty), "is empty (0 bytes), not a film");
    EXPECT_EQ(failure(testing::TempDir()), "is a directory, not a film");
    EXPECT_EQ(failure(scratch("missing.mkv")), "cannot be opened (no such file, or no permission to read it)");
    EXPECT_EQ(failure(text), "is a text file (a subtitle?), not a film or sound file");
    EXPECT_EQ(failure(noise), "not a film or sound file that can be read");
    EXPECT_EQ(failure(filmPath("tos-en-noaudio.mkv")), "has no audio stream");
    EXPECT_EQ(failure(unknown).rfind("no decoder for its audio", 0), 0u);
    film::DetectOptions options;
    options.audioStream = 3;
    film::DetectResult r = film::detectSpeech(filmPath("tos-en-10db-flac.flac"), options);
    EXPECT_NE(r.error.find(": has no audio stream 3 (its audio streams are 0 to 0)"), std::string::npos) << r.error;

    EXPECT_EQ(film::sniffFile(text), film::FileKind::Text);
    EXPECT_EQ(film::sniffFile(filmPath("tos-en-10db-mp3.mp3")), film::FileKind::Media);
}

TEST(BadInput, DamagedFilmsGiveWhatCanBeDecodedAndSaySo) {
    Truth truth = readTruth("tos-en");
    std::string whole = bytesOf(filmPath("tos-en-10db-mkv-aac+video+srt.mkv"));
    std::string cut = scratch("cut-short.mkv");
    write(cut, whole.substr(0, whole.size() / 2));
    std::string garbled = scratch("garbled.mkv"), middle = whole;
    for (size_t i = middle.size() / 2; i < middle.size() / 2 + 300000; ++i) middle[i] = static_cast<char>(i * 7);
    write(garbled, middle);

    for (int threads : {1, 3}) {
        film::DetectOptions options;
        options.threads = threads;
        film::DetectResult r = film::detectSpeech(cut, options);
        ASSERT_EQ(r.outcome, film::Outcome::Done) << r.error;
        EXPECT_GT(r.decodedMs, truth.durationMs / 3);
        EXPECT_LT(r.decodedMs, truth.durationMs * 2 / 3);
        EXPECT_EQ(r.warning.rfind(cut + ": damaged or cut short: decoded ", 0), 0u) << r.warning;
        EXPECT_NE(r.warning.find(" of 00:03:"), std::string::npos) << r.warning;

        r = film::detectSpeech(garbled, options);
        ASSERT_EQ(r.outcome, film::Outcome::Done) << r.error;
        EXPECT_FALSE(r.warning.empty());
        EXPECT_GT(r.decodedMs, truth.durationMs * 3 / 4) << r.warning;
        EXPECT_LT(r.decodedMs, truth.durationMs) << r.warning;
        // The speech before and after the damage is where it was.
        EXPECT_GE(score(r.timeline, truth).found, 0.6);
    }
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(cut).parent_path(), ignored);
}

}  // namespace
