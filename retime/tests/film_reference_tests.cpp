// tessaly-retime --reference FILM end to end on the made test films: the
// report lists the streams and says which was used, the speech or a text
// stream of the film is REF, and every bad film is one line naming it, with
// nothing written. The same tests run tessaly-retime.exe under Wine.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/tests/test_files.h"
#include "retime/tests/tool_run.h"

namespace {

using testfiles::quoted;
using testfiles::readFile;
using testfiles::writeFile;

namespace fs = std::filesystem;

const fs::path kFilms = TESSALY_FILM_DIR;

// Every "-->" line's start time, in milliseconds.
std::vector<int64_t> starts(const std::string& srt) {
    std::vector<int64_t> times;
    static const std::regex time(R"((\d+):(\d\d):(\d\d)[,.](\d\d\d) -->)");
    for (std::sregex_iterator m(srt.begin(), srt.end(), time), end; m != end; ++m) {
        times.push_back(((std::stoll((*m)[1]) * 60 + std::stoll((*m)[2])) * 60 + std::stoll((*m)[3])) * 1000 +
                        std::stoll((*m)[4]));
    }
    return times;
}

// The made film's subtitle with every time `shift` ms later.
std::string shifted(const std::string& srt, int64_t shift) {
    std::string out;
    static const std::regex time(R"((\d\d):(\d\d):(\d\d),(\d\d\d))");
    std::size_t last = 0;
    for (std::sregex_iterator m(srt.begin(), srt.end(), time), end; m != end; ++m) {
        const int64_t t = ((std::stoll((*m)[1]) * 60 + std::stoll((*m)[2])) * 60 + std::stoll((*m)[3])) * 1000 +
                          std::stoll((*m)[4]) + shift;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(t / 3600000),
                      static_cast<long long>(t / 60000 % 60), static_cast<long long>(t / 1000 % 60),
                      static_cast<long long>(t % 1000));
        out += srt.substr(last, static_cast<std::size_t>(m->position()) - last) + buffer;
        last = static_cast<std::size_t>(m->position() + m->length());
    }
    return out + srt.substr(last);
}

class FilmReferenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = retimetest::makeTestFolder("film-reference");
        ASSERT_FALSE(dir_.empty());
        truth_ = readFile(kFilms / "tos-en.srt");
        writeFile(dir_ / "in.srt", shifted(truth_, -2000));
    }
    void TearDown() override { fs::remove_all(dir_); }

    retimetest::ToolRun run(const std::vector<std::string>& args) { return retimetest::runTool(dir_, args); }

    fs::path dir_;
    std::string truth_;
};

TEST_F(FilmReferenceTest, TheSpeechOfEachContainerIsTheReference) {
    // The ratio given: 21 cues over two minutes cannot tell neighbouring
    // frame-rate pairs apart (the accuracy test covers the search).
    for (const char* film : {"tos-en-10db-mkv-aac+video+srt.mkv", "tos-en-10db-mp4-aac+video+mov_text.mp4",
                             "tos-en-10db-mkv-ac3.mkv", "tos-en-10db-mkv-opus+ass.mkv", "tos-en-10db-mp3.mp3",
                             "tos-en-10db-wav.wav", "tos-en-10db-flac.flac"}) {
        SCOPED_TRACE(film);
        fs::remove(dir_ / "out.srt");
        const retimetest::ToolRun r = run({"--reference", (kFilms / film).string(), "--fps", "1:1", "in.srt", "out.srt"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("audio 0: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("<- used"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("runs of speech are REF's cues"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("\nwindow: --segments 1"), std::string::npos) << r.err;
        const std::vector<int64_t> got = starts(readFile(dir_ / "out.srt")), want = starts(truth_);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 100) << "cue " << i + 1;
    }
}

TEST_F(FilmReferenceTest, AFilmNamedInAnyLanguageIsRead) {
    // On Windows the name goes to FFmpeg's file reading as UTF-8.
    const std::string name = "新版 電影 ü.mp3";
    fs::copy_file(kFilms / "tos-en-10db-mp3.mp3", dir_ / fs::path(std::u8string(name.begin(), name.end())));
    const retimetest::ToolRun r = run({"--reference", name, "--fps", "1:1", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("REF " + name + ": a film (mp3"), std::string::npos) << r.err;
    EXPECT_EQ(starts(readFile(dir_ / "out.srt")).size(), starts(truth_).size());
}

TEST_F(FilmReferenceTest, ATextStreamOfTheFilmIsASubtitleReference) {
    const std::string film = (kFilms / "tos-en-10db-mkv-aac+video+srt.mkv").string();
    const retimetest::ToolRun r = run({"--reference", film, "--subtitle-stream", "0", "--fps", "1:1", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("  subtitle 0: subrip, eng  <- used"), std::string::npos) << r.err;
    // The muxer delays every stream by the AAC encoder's 21 ms.
    EXPECT_NE(r.err.find("piece 1 from 00:00:01,000: shift +00:00:02,021"), std::string::npos) << r.err;
    const std::vector<int64_t> got = starts(readFile(dir_ / "out.srt")), want = starts(truth_);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], want[i] + 21) << "cue " << i + 1;

    const retimetest::ToolRun none = run({"--reference", film, "--subtitle-stream", "1", "in.srt", "out2.srt"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("has 1 text subtitle stream(s), 0 to 0"), std::string::npos) << none.err;
    const retimetest::ToolRun audio = run({"--reference", film, "--audio-stream", "1", "in.srt", "out2.srt"});
    EXPECT_EQ(audio.status, 2);
    EXPECT_NE(audio.err.find("has 1 audio stream(s), 0 to 0"), std::string::npos) << audio.err;
    // A subtitle REF has no streams to choose.
    const retimetest::ToolRun text = run({"--reference", "in.srt", "--audio-stream", "0", "in.srt", "out2.srt"});
    EXPECT_EQ(text.status, 2);
    EXPECT_EQ(text.err, "tessaly-retime: --audio-stream goes with a film as REF, and REF is a subtitle\n");
    EXPECT_FALSE(fs::exists(dir_ / "out2.srt"));
}

TEST_F(FilmReferenceTest, ABadFilmIsOneLineNamingItAndNothingIsWritten) {
    writeFile(dir_ / "empty.mkv", "");
    std::string noise(100000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + i / 13) & 0xFF);
    writeFile(dir_ / "noise.mkv", noise);
    fs::create_directory(dir_ / "folder.mkv");
    const std::string noAudio = (kFilms / "tos-en-noaudio.mkv").string();
    struct Bad {
        std::string film;
        std::string says;
    };
    for (const Bad& bad : {Bad{"empty.mkv", "empty.mkv"}, Bad{"noise.mkv", "noise.mkv"}, Bad{"folder.mkv", "folder.mkv"},
                           Bad{noAudio, "no audio stream"}}) {
        SCOPED_TRACE(bad.film);
        const retimetest::ToolRun r = run({"--reference", bad.film, "in.srt", "out.srt"});
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("tessaly-retime: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(bad.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir_ / "out.srt"));
    }
}

#ifndef _WIN32
TEST_F(FilmReferenceTest, CtrlCWhileTheFilmIsReadLeavesNothingWritten) {
    // Forty minutes of 16-bit sound: seconds to read, whatever the machine.
    const uint32_t rate = 16000, bytes = rate * 2 * 60 * 40;
    std::string wav = "RIFF" + std::string(4, '\0') + "WAVEfmt ";
    auto le = [&wav](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) wav += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    le(16, 4), le(1, 2), le(1, 2), le(rate, 4), le(rate * 2, 4), le(2, 2), le(16, 2);
    wav += "data", le(bytes, 4);
    std::string samples(bytes, '\0');
    for (std::size_t i = 1; i < samples.size(); i += 2) samples[i] = static_cast<char>((i * 2654435761u) >> 29);
    writeFile(dir_ / "long.wav", wav + samples);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string command = "cd " + quoted(dir_.string()) + " && exec " + quoted(TESSALY_RETIME_PATH) +
                                    " --reference long.wav in.srt out.srt </dev/null 2>/dev/null";
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto sent = std::chrono::steady_clock::now();
    ::kill(child, SIGINT);
    int raw = 0;
    ASSERT_EQ(::waitpid(child, &raw, 0), child);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGINT) << raw;
    EXPECT_LT(took, 1.0);
    EXPECT_FALSE(fs::exists(dir_ / "out.srt"));
}
#endif

}  // namespace
