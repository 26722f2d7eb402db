// Each subtitle format: recognised by its content, its times found where the
// format keeps them, and a changed time written in the format's own form.
#include <string>

#include "engine/subtitle_formats.h"
#include "engine/subtitle_rewrite.h"
#include "engine/tests/engine_test_support.h"
#include "runtime/list_support.h"
#include "runtime/program_variables.h"
#include "runtime/text_support.h"

namespace {

using engine::SubtitleFormat;
using enginetest::EngineTest;
using enginetest::identity;
using enginetest::retimeCustom;
using enginetest::scan;
using ::testing::ElementsAre;

class SubtitleFormatsTest : public EngineTest {};

SubtitleFormat formatOf(const std::string& s) {
    return engine::recognizeFormat(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int32_t>(s.size()));
}

TEST_F(SubtitleFormatsTest, TheFirstLineTellsTheFormat) {
    EXPECT_EQ(formatOf("WEBVTT\n\n00:01.000 --> 00:02.000\n"), SubtitleFormat::WebVtt);
    EXPECT_EQ(formatOf("\xEF\xBB\xBFWEBVTT - a title\r\n"), SubtitleFormat::WebVtt);
    EXPECT_EQ(formatOf("WEBVTTX\n00:01.000 --> 00:02.000\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf("webvtt\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf("\xEF\xBB\xBF[Script Info]\r\n"), SubtitleFormat::Ass);
    EXPECT_EQ(formatOf("\r\n  [events]\n"), SubtitleFormat::Ass);
    EXPECT_EQ(formatOf("[V4 Styles]\n"), SubtitleFormat::Ass);
    EXPECT_EQ(formatOf("[Something]\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf("0:00:00.599,0:00:04.160\nA\n"), SubtitleFormat::Sbv);
    EXPECT_EQ(formatOf("0:00:00.599,0:00:04.160 x\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf("{1}{1}23.976\r\n{24}{72}A\r\n"), SubtitleFormat::MicroDvd);
    EXPECT_EQ(formatOf("{24}{}A\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf("1\r\n00:00:01,000 --> 00:00:02,000\r\n"), SubtitleFormat::Srt);
    EXPECT_EQ(formatOf(""), SubtitleFormat::Srt);
}

TEST_F(SubtitleFormatsTest, AssTimesAreTheStartAndEndFieldsInCentiseconds) {
    const std::string ass =
        " [Script Info]\r\nTimer: 100,0000\r\n\r\n[V4+ Styles]\r\nFormat: Name, Start\r\nStyle: 0:00:09.00\r\n\r\n"
        "[Events]\r\nFormat: Layer, End , Start, Text\r\n"
        " Dialogue: 0, 0:00:04.25 ,0:00:01.00,{\\k80}a, 0:00:03.00\r\nComment: 0,0:59:59.99,0:00:05.50,b\r\n"
        "Other: 0,0:00:09.00,0:00:09.00,c\r\n";
    const auto s = scan(ass);
    EXPECT_THAT(s.starts, ElementsAre(1000, 5500));
    EXPECT_THAT(s.ends, ElementsAre(4250, 3599990));
    EXPECT_EQ(identity(ass), ass);
    // Rounded to the nearest centisecond, with the carry into the seconds;
    // every other field and byte as it was.
    EXPECT_EQ(retimeCustom(ass, 1.0, 5),
              " [Script Info]\r\nTimer: 100,0000\r\n\r\n[V4+ Styles]\r\nFormat: Name, Start\r\nStyle: 0:00:09.00\r\n\r\n"
              "[Events]\r\nFormat: Layer, End , Start, Text\r\n"
              " Dialogue: 0, 0:00:04.26 ,0:00:01.01,{\\k80}a, 0:00:03.00\r\nComment: 0,1:00:00.00,0:00:05.51,b\r\n"
              "Other: 0,0:00:09.00,0:00:09.00,c\r\n");
    // No Format line: Start and End are the second and third fields. Below
    // zero is zero.
    EXPECT_EQ(retimeCustom("[Events]\nDialogue: Marked=0,0:00:01.00,0:00:02.50,*Default,x\n", 1.0, -2000),
              "[Events]\nDialogue: Marked=0,0:00:00.00,0:00:00.50,*Default,x\n");
}

TEST_F(SubtitleFormatsTest, WebVttTimesStayHourLessWhileTheyFitAndTimestampsInCueTextMove) {
    const std::string vtt =
        "WEBVTT\n\nNOTE 00:00:05.000 is no cue time\n\nSTYLE\n::cue(.a) { color: red }\n\nid\n"
        "00:01.000 --> 00:04.250 align:start position:10%\n<c.a>a</c><00:01.800>b<00:02.600>c\n\n"
        "<00:03.000> after an empty line is text\n\n59:59.500 --> 01:00:00.500 line:85%\nd\n";
    EXPECT_EQ(identity(vtt), vtt);
    EXPECT_EQ(retimeCustom(vtt, 1.0, 1000),
              "WEBVTT\n\nNOTE 00:00:05.000 is no cue time\n\nSTYLE\n::cue(.a) { color: red }\n\nid\n"
              "00:02.000 --> 00:05.250 align:start position:10%\n<c.a>a</c><00:02.800>b<00:03.600>c\n\n"
              "<00:03.000> after an empty line is text\n\n01:00:00.500 --> 01:00:01.500 line:85%\nd\n");
    // Below zero is zero.
    EXPECT_EQ(retimeCustom("WEBVTT\n\n00:01.000 --> 00:02.000\n<00:01.500>a\n", 1.0, -1600),
              "WEBVTT\n\n00:00.000 --> 00:00.400\n<00:00.000>a\n");
}

TEST_F(SubtitleFormatsTest, SbvAndSrtWriteTheirOwnForms) {
    const std::string sbv = "0:00:00.599,0:00:04.160\n>> A: [br]\n\n0:00:04.160,0:00:06.770\nB, 0:00:09.000\n";
    EXPECT_EQ(identity(sbv), sbv);
    EXPECT_EQ(retimeCustom(sbv, 1.0, 3600000),
              "1:00:00.599,1:00:04.160\n>> A: [br]\n\n1:00:04.160,1:00:06.770\nB, 0:00:09.000\n");
    EXPECT_EQ(retimeCustom("0:00:00.599,0:00:04.160\n", 1.0, -1000), "0:00:00.000,0:00:03.160\n");
    // SRT keeps "-" and each time's own separator.
    EXPECT_EQ(retimeCustom("1\n00:00:00.599 --> 00:00:04,160\n", 1.0, -1000), "1\n-00:00:00.401 --> 00:00:03,160\n");
}

TEST_F(SubtitleFormatsTest, MicroDvdFramesGoThroughTheFrameRate) {
    const std::string sub = "{1}{1}25\r\n{24}{72}A|B\r\n{100}{150}{y:i}C\r\n";
    const auto s = scan(sub);
    EXPECT_THAT(s.starts, ElementsAre(960, 4000));
    EXPECT_THAT(s.ends, ElementsAre(2880, 6000));
    EXPECT_EQ(identity(sub), sub);
    EXPECT_EQ(retimeCustom(sub, 1.0, 1000), "{1}{1}25\r\n{49}{97}A|B\r\n{125}{175}{y:i}C\r\n");

    // Without a frame-rate line: refused, unless the caller gives one.
    prog::ProgramVariables* v = prog::vars();
    prog::storeBytes(&v->inputBytes, enginetest::newBytes("{24}{72}A\r\n"));
    engine::emptyCueLists();
    EXPECT_EQ(engine::scanCues(), engine::ScanResult::NoFrameRate);
    EXPECT_EQ(prog::elementCount(v->startList), 0);
    EXPECT_EQ(engine::scanCues(50), engine::ScanResult::Scanned);
    EXPECT_EQ(prog::intAt(v->startList, 1), 480);
    engine::useCustomMapping(2.0, 0);
    EXPECT_FALSE(engine::rebuildSubtitle(engine::FitMode::CustomRatio));
    ASSERT_TRUE(engine::rebuildSubtitle(engine::FitMode::CustomRatio, 50));
    EXPECT_EQ(enginetest::bytesOfSet(v->outputBytes), "{48}{144}A\r\n");
}

TEST_F(SubtitleFormatsTest, CueTimesStoredByTheCallerMoveTheTimestampsInTheirTextInProportion) {
    // As the reference mode does: each cue mapped by the caller, the
    // identity stored. 1000..3000 becomes 2000..6000; 1500 within it 3000.
    scan("WEBVTT\n\n00:01.000 --> 00:03.000\n<00:01.500>a<00:03.000>b\n");
    prog::ProgramVariables* v = prog::vars();
    *prog::intSlot(v->startList, 1) = 2000;
    *prog::intSlot(v->endList, 1) = 6000;
    engine::useCustomMapping(1.0, 0);
    ASSERT_TRUE(engine::rebuildSubtitle(engine::FitMode::CustomRatio));
    EXPECT_EQ(enginetest::bytesOfSet(v->outputBytes), "WEBVTT\n\n00:02.000 --> 00:06.000\n<00:03.000>a<00:06.000>b\n");
}

}  // namespace
