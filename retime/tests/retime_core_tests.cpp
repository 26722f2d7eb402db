// The command line's one-pass re-time held to the engine's scan and rebuild,
// the warnings it collects on the way, and reading its input.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/subtitle_rewrite.h"
#include "engine/tests/engine_test_support.h"
#include "retime/one_pass_retime.h"
#include "retime/retime_warnings.h"
#include "retime/whole_file.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"

namespace {

using enginetest::EngineTest;

class OnePassRetimeTest : public EngineTest {
protected:
    // The engine's bytes and the one pass's for the mapping already stored.
    void expectSameBytes(const std::string& input, engine::FitMode mode) {
        prog::ProgramVariables* v = prog::vars();
        engine::emptyCueLists();
        prog::storeBytes(&v->inputBytes, input.empty() ? nullptr : enginetest::newBytes(input));
        const engine::SubtitleReading reading = engine::readingOf(
            v->inputBytes ? prog::bytesOf(v->inputBytes) : nullptr, static_cast<int32_t>(input.size()), 0);
        if (reading.format == engine::SubtitleFormat::MicroDvd && reading.framesPerSecond <= 0) {
            // Frame numbers without a frame rate: refused before any re-time.
            ASSERT_EQ(engine::scanCues(), engine::ScanResult::NoFrameRate);
            return;
        }
        ASSERT_EQ(engine::scanCues(), engine::ScanResult::Scanned);
        ASSERT_TRUE(engine::rebuildSubtitle(mode));
        retime::ByteBuffer out;
        ASSERT_TRUE(retime::retimeInOnePass(v->inputBytes, reading, mode, out));
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(out.data()), out.size()),
                  enginetest::bytesOfSet(v->outputBytes))
            << testing::PrintToString(input);
    }

    std::vector<std::string> warningsFor(const std::string& input, double ratio, int32_t shift) {
        engine::useCustomMapping(ratio, shift);
        prog::ByteSet bytes = input.empty() ? nullptr : enginetest::newBytes(input);
        const uint8_t* p = bytes ? prog::bytesOf(bytes) : nullptr;
        const engine::SubtitleReading reading = engine::readingOf(p, static_cast<int32_t>(input.size()), 0);
        retime::RetimeWarnings warnings(p, input.size(), reading.format);
        retime::ByteBuffer out;
        EXPECT_TRUE(retime::retimeInOnePass(bytes, reading, engine::FitMode::CustomRatio, out, &warnings));
        vxFree(bytes);
        return warnings.lines();
    }
};

TEST_F(OnePassRetimeTest, GivesTheEnginesBytesForEveryInputAndMapping) {
    static const char* const kPieces[] = {"\r\n", "\n", "\r", "-->", " --> ", "--->", "00:00:59,999", "01:00:00,000",
                                          "1:2,5", "7", "x", "\xE4\xBD\xA0", " ", ",", ":", "-", ">", ".",
                                          "<00:01.500>", "Dialogue: 0,", "0:00:01.00,0:00:02.000", "{24}{7}", ""};
    // Every format's first line, so that the pieces are read as each.
    static const char* const kFirstLines[] = {"", "WEBVTT\n", "[Events]\r\n", "[Events]\nFormat: a,End,Start\n",
                                              "0:00:01.000,0:00:02.000\n", "{1}{1}25\n"};
    std::mt19937 rng(11);
    enginetest::FakeBoxes boxes;
    boxes.source[0] = 0, boxes.source[2] = 60000, boxes.source[4] = 3600000;
    boxes.target[0] = 500, boxes.target[2] = 59000, boxes.target[4] = 3700000;
    engine::SegmentFits fits{};
    for (int i = 0; i < 2000; ++i) {
        std::string input = kFirstLines[i % std::size(kFirstLines)];
        for (int k = std::uniform_int_distribution<int>(0, 40)(rng); k > 0; --k) {
            const size_t piece = std::uniform_int_distribution<size_t>(0, std::size(kPieces) - 1)(rng);
            input += piece + 1 == std::size(kPieces) ? std::string(1, '\0') : std::string(kPieces[piece]);
        }
        if (i % 2) {
            ASSERT_TRUE(engine::fitSegments(engine::FitMode::TwoSegments, boxes.points(), &fits));
            expectSameBytes(input, engine::FitMode::TwoSegments);
        } else {
            engine::useCustomMapping(i % 4 ? 0.999 : 1.0, i % 3 ? -1500 : 0);
            expectSameBytes(input, engine::FitMode::CustomRatio);
        }
    }
}

TEST_F(OnePassRetimeTest, TimeTextsSeemWhatAReaderTakesThemFor) {
    const std::pair<std::string, std::optional<int64_t>> cases[] = {
        {"00:00:01,000", 1000},        {" 01:02:03,004 ", 3723004}, {"00:00:02,000 X1:100 X2:200", 2000},
        {"00:00:01.500", 1500},        {"0:0:1,5", 1500},           {"1,25", 1250},
        {"7", 7000},                   {"-00:00:01,500", -1500},    {"1 00:00:01,000", 1000},
        {"00:00:01,2500", 1250},       {"00:00:01,2505", {}},       {"abc", {}},
        {"", {}},                      {"00:00:01,", {}},           {"00:00:01;000", {}},
        {"1:2:3:4", {}},               {"\xEF\xBB\xBF" "00:00:01,000", 1000}, {"00:00:02,000\tX", 2000}};
    for (const auto& [text, seems] : cases) {
        EXPECT_EQ(retime::seemingTime(reinterpret_cast<const uint8_t*>(text.data()), text.size()), seems) << text;
    }
}

TEST_F(OnePassRetimeTest, WarnsOfMisreadTimesTimesBelowZeroAndNoTimeLine) {
    EXPECT_TRUE(warningsFor("1\r\n00:00:01,000 --> 00:00:02,000 X1:100\r\nA\r\n", 1.0, 0).empty());

    EXPECT_EQ(warningsFor("no cue\nhere\n", 1.0, 0),
              std::vector<std::string>{"warning: the input holds no time line of a known format (SRT or WebVTT "
                                       "\"-->\", ASS/SSA events, SBV, MicroDVD): nothing was re-timed"});
    EXPECT_EQ(warningsFor("[Script Info]\n[Events]\n", 1.0, 0),
              std::vector<std::string>{"warning: the input, read as ASS/SSA, holds no time line: nothing was re-timed"});
    // Below zero: SRT keeps the sign, the formats without one write zero.
    EXPECT_EQ(warningsFor("WEBVTT\n\n00:01.000 --> 00:02.000\n<00:01.500>a\n", 1.0, -1600),
              std::vector<std::string>{"warning: 2 mapped times fall below zero and are written as zero (WebVTT holds "
                                       "none) (the first on line 3)"});

    // A "." before the milliseconds reads as it seems: no warning.
    EXPECT_TRUE(warningsFor("00:00:01.500 --> 00:00:02.25\n", 1.0, 0).empty());

    // Lines are counted with every kind of line end.
    const std::string misread = "1\r\n00:00:01.2505 --> 00:00:02,000\rA\n\nab --> 0:0:3,5\r\n";
    EXPECT_EQ(warningsFor(misread, 1.0, 0),
              (std::vector<std::string>{
                  "warning: line 2: \"00:00:01.2505\" is no time in the standard form and reads as 00:00:01,250",
                  "warning: line 5: \"ab\" is no time in the standard form and reads as 00:00:00,000",
                  "warning: line 5: \"0:0:3,5\" is no time in the standard form and reads as 00:00:03,005"}));

    std::string many;
    for (int i = 0; i < 8; ++i) many += "x\n1,5 --> 00:00:02,000\n";
    const std::vector<std::string> lines = warningsFor(many, 1.0, -1600);
    ASSERT_EQ(lines.size(), retime::RetimeWarnings::kLinesNamed + 2);
    EXPECT_EQ(lines[4], "warning: line 10: \"1,5\" is no time in the standard form and reads as 00:00:01,005");
    EXPECT_EQ(lines[5], "warning: 8 time texts in all read as other times than they seem");
    EXPECT_EQ(lines[6], "warning: 8 mapped times fall below zero and are written with \"-\" (the first on line 2)");
}

TEST_F(OnePassRetimeTest, AnEndlessInputIsRefusedOnceItPassesTheLimit) {
    // A FIFO that a writer fills until its reader is gone.
    char folder[] = "/tmp/retime-endless-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string fifo = std::string(folder) + "/endless";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::signal(SIGPIPE, SIG_IGN);
    uint64_t written = 0;
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        static const char zeros[65536] = {};
        for (ssize_t n; (n = ::write(fd, zeros, sizeof zeros)) > 0;) written += static_cast<uint64_t>(n);
        ::close(fd);
    });
    retime::ByteBuffer bytes;
    std::string error;
    EXPECT_FALSE(retime::readWholeInput(fifo, 1 << 20, bytes, error));
    writer.join();
    EXPECT_EQ(error, "cannot read '" + fifo + "': it is larger than 1048576 bytes");
    EXPECT_EQ(bytes.size(), 0u);
    // Refused once past the limit: not much more than that was ever written.
    EXPECT_LT(written, (1u << 20) + (1u << 18));
    ::unlink(fifo.c_str());
    ::rmdir(folder);
}

}  // namespace
