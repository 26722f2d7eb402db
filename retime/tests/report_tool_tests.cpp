// tessaly-retime for scripts, end to end: the --json report of every mode
// validates against report.schema.json (with Debian's python3-jsonschema) and
// says what was written; --check's exit statuses; the batches and --library.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "align/tests/generated_pairs.h"
#include "engine/tests/test_files.h"

namespace {

using nlohmann::json;
using testfiles::quoted;
using testfiles::readFile;
using testfiles::writeFile;
namespace fs = std::filesystem;
using namespace aligntest;

// The start of the first cue of an SRT text, in ms.
int firstStart(const std::string& srt) {
    const std::size_t at = srt.find(" --> ");
    int h = 0, m = 0, sec = 0, ms = 0;
    EXPECT_EQ(std::sscanf(srt.c_str() + srt.rfind('\n', at) + 1, "%d:%d:%d,%d", &h, &m, &sec, &ms), 4);
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

// The starts of every cue of an SRT text, in ms.
std::vector<int> cueStarts(const std::string& srt) {
    std::vector<int> starts;
    for (std::size_t at = srt.find(" --> "); at != std::string::npos; at = srt.find(" --> ", at + 1)) {
        starts.push_back(firstStart(srt.substr(srt.rfind('\n', at) + 1)));
    }
    return starts;
}

struct ToolRun {
    int status;
    std::string err;
};

class ReportToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/tessaly-report-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun run(const std::vector<std::string>& args) {
        std::string cmd = "cd " + quoted(dir_.string()) + " && " + quoted(TESSALY_RETIME_PATH);
        for (const auto& a : args) cmd += " " + quoted(a);
        cmd += " </dev/null >.stdout 2>.stderr";
        const int raw = std::system(cmd.c_str());
        return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir_ / ".stderr")};
    }

    // The report at `name`, after checking it against the schema.
    json report(const std::string& name) {
        const std::string cmd = "python3 -c 'import json,sys,jsonschema; jsonschema.validate(json.load(open(sys.argv[1])), "
                                "json.load(open(sys.argv[2])))' " +
                                quoted((dir_ / name).string()) + " " + quoted(TESSALY_REPORT_SCHEMA) + " 2>&1";
        const int raw = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << name << ":\n" << readFile(dir_ / name);
        return json::parse(readFile(dir_ / name));
    }

    // A report's "written" matches the file: its path and its size.
    void expectWritten(const json& r, const std::string& output) {
        ASSERT_TRUE(r["written"].is_object()) << r.dump();
        EXPECT_EQ(r["written"]["path"], output);
        EXPECT_EQ(r["written"]["bytes"].get<std::uintmax_t>(), fs::file_size(dir_ / output));
    }

    fs::path dir_;
};

TEST_F(ReportToolTest, EveryModeReportsWhatItDidAndWhatItWrote) {
    // A misread time text on line 2 and a time mapped below zero on line 6.
    writeFile(dir_ / "in.srt", "1\n00:00:01,5 --> 00:00:02,000\na\n\n2\n00:00:03,000 --> 00:00:04,000\nb\n");
    struct Mode {
        std::vector<std::string> args;
        const char* mode;
    } modes[] = {
        {{"--segments", "1", "--point", "0=00:00:10,000@00:00:05,000", "--point", "4=00:01:00,000@00:00:55,000"},
         "segments"},
        {{"--custom", "1", "-00:00:02,000"}, "custom"},
        {{"--fps", "25:24", "--shift", "-00:00:02,000"}, "fps"},
    };
    for (const Mode& m : modes) {
        std::vector<std::string> args = m.args;
        args.insert(args.end(), {"--json", "r.json", "in.srt", "out.srt"});
        const ToolRun r = run(args);
        ASSERT_EQ(r.status, 0) << m.mode << r.err;
        const json j = report("r.json");
        EXPECT_EQ(j["mode"], m.mode);
        EXPECT_EQ(j["input"], "in.srt");
        EXPECT_EQ(j["format"], "SRT");
        EXPECT_EQ(j["exit_status"], 0);
        expectWritten(j, "out.srt");
        ASSERT_EQ(j["pieces"].size(), 1u) << m.mode;
        EXPECT_EQ(j["pieces"][0]["shift_ms"], m.mode == std::string("segments") ? -5000 : -2000);
        ASSERT_EQ(j["warnings"].size(), 2u) << j.dump();
        EXPECT_EQ(j["warnings"][0]["line"], 2);
        EXPECT_EQ(j["warnings"][1]["line"], 2);  // the first time mapped below zero
    }

    // A UTF-16 INPUT: the report gives the encoding and the bytes as written.
    std::u16string wide;
    for (char c : readFile(dir_ / "in.srt")) wide.push_back(static_cast<char16_t>(c));
    writeFile(dir_ / "wide.srt", testfiles::utf16(wide, false));
    ASSERT_EQ(run({"--custom", "1", "+00:00:01,000", "--json", "r.json", "wide.srt", "out.srt"}).status, 0);
    const json utf16 = report("r.json");
    EXPECT_EQ(utf16["encoding"], "UTF-16LE");
    expectWritten(utf16, "out.srt");

    // A failure: the complaint, the status, nothing written; "-" is standard output.
    const ToolRun missing = run({"--custom", "1", "0", "--json", "-", "absent.srt", "out2.srt"});
    EXPECT_EQ(missing.status, 3);
    writeFile(dir_ / "failed.json", readFile(dir_ / ".stdout"));
    const json failed = report("failed.json");
    EXPECT_TRUE(failed["written"].is_null());
    EXPECT_EQ(failed["exit_status"], 3);
    ASSERT_EQ(failed["errors"].size(), 1u);
    EXPECT_NE(failed["errors"][0].get<std::string>().find("absent.srt"), std::string::npos);
    // Standard output carrying both the subtitle and the report is refused.
    EXPECT_EQ(run({"--custom", "1", "0", "--json", "-", "in.srt"}).status, 2);
}

TEST_F(ReportToolTest, TheReferenceModeReportsTheMappingAndTheVerdict) {
    const Pair pair = makePair(Case{"25 -> 24 and a scene", 25.0 / 24.0, 1500, {{150, 30000}}}, 3, 300);
    writeFile(dir_ / "in.srt", srtText(pair.input, "a"));
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    const ToolRun r = run({"--reference", "ref.srt", "--json", "r.json", "in.srt", "out.srt"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = report("r.json");
    EXPECT_EQ(j["mode"], "reference");
    EXPECT_EQ(j["reference"], "ref.srt");
    EXPECT_EQ(j["encoding"], "bytes");
    EXPECT_EQ(j["frame_rates"], "25 -> 24");
    EXPECT_DOUBLE_EQ(j["ratio"].get<double>(), 25.0 / 24.0);
    ASSERT_EQ(j["pieces"].size(), 2u) << j.dump();
    EXPECT_TRUE(j["verdict"]["sure"].get<bool>());
    EXPECT_GT(j["verdict"]["margin"].get<double>(), 1.0);
    EXPECT_GT(j["verdict"]["partner_share"].get<double>(), 0.5);
    expectWritten(j, "out.srt");
    // The window's words say what the window: line says: the mode, the ratio, every point.
    const std::size_t at = r.err.find("\nwindow: --segments 2 --ratio ");
    const std::size_t wordsAt = r.err.find("\nin the window: tick \"分2段\" and \"段首对齐\"; type ");
    ASSERT_NE(at, std::string::npos) << r.err;
    ASSERT_NE(wordsAt, std::string::npos) << r.err;
    std::istringstream window(r.err.substr(at + 1, r.err.find('\n', at + 1) - at - 1));
    const std::string words = r.err.substr(wordsAt + 1, r.err.find('\n', wordsAt + 1) - wordsAt - 1);
    int points = 0;
    for (std::string w, value; window >> w;) {
        if (w != "--point" && w != "--ratio") continue;
        window >> value;
        if (w == "--ratio") {
            EXPECT_NE(words.find("type " + value + " into \"自定比率\""), std::string::npos) << words;
            continue;
        }
        const std::string row = value.substr(0, 1);
        const std::size_t eq = value.find('='), atSign = value.find('@');
        const std::string said = "\"源" + row + "/4\" " + value.substr(eq + 1, atSign - eq - 1) + " and \"目标" + row +
                                 "/4\" " + value.substr(atSign + 1);
        EXPECT_NE(words.find(said), std::string::npos) << said << "\n" << words;
        ++points;
    }
    EXPECT_EQ(points, 3);

    // The first cue written is the first read, mapped by the first piece.
    const int64_t first = firstStart(readFile(dir_ / "in.srt"));
    EXPECT_EQ(firstStart(readFile(dir_ / "out.srt")),
              align::mapTime(first, j["ratio"].get<double>(), j["pieces"][0]["shift_ms"].get<int>()));
}

TEST_F(ReportToolTest, CheckTellsInSyncShiftedUnrelatedAndUnsureApartAndWritesNothing) {
    const Pair inSync = makePair(Case{"in sync", 1.0, 0, {}}, 9, 300);
    const Pair shifted = makePair(Case{"offset", 1.0, 2000, {}}, 5, 300);
    const Pair unrelated = makePair(Case{"unrelated", 1.0, 0, {}, true}, 7, 300);
    std::vector<Cue> quarter;  // REF for the first quarter only: no evidence for the rest
    for (const Cue& c : shifted.reference) {
        if (c.start < shifted.input.back().end / 4) quarter.push_back(c);
    }
    struct Case {
        const char* name;
        std::vector<Cue> input, reference;
        int status;
    } cases[] = {
        {"in sync", inSync.input, inSync.reference, 0},
        {"shifted", shifted.input, shifted.reference, 6},
        {"unrelated", unrelated.input, unrelated.reference, 4},
        {"unsure", shifted.input, quarter, 5},
    };
    for (const Case& c : cases) {
        writeFile(dir_ / "in.srt", srtText(c.input, "a"));
        writeFile(dir_ / "ref.srt", srtText(c.reference, "b"));
        const ToolRun r = run({"--reference", "ref.srt", "--check", "--json", "-", "in.srt"});
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
        writeFile(dir_ / "r.json", readFile(dir_ / ".stdout"));
        const json j = report("r.json");
        EXPECT_EQ(j["mode"], "check");
        EXPECT_TRUE(j["output"].is_null());
        EXPECT_TRUE(j["written"].is_null());
        EXPECT_EQ(j["exit_status"], c.status);
        if (c.status == 0 || c.status == 6) {
            EXPECT_EQ(j["check"]["in_sync"], c.status == 0) << c.name;
            EXPECT_EQ(j["check"]["tolerance_ms"], 100);
        }
        if (c.status == 6) {
            EXPECT_NEAR(j["check"]["largest_move_ms"].get<double>(), 2000, 400);
        }
    }
    const std::vector<std::string> left = {".stderr", ".stdout", "in.srt", "r.json", "ref.srt"};
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir_)) found.push_back(e.path().filename().string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, left);
    // A wider tolerance takes the shifted one as in sync; --check wants a REF.
    writeFile(dir_ / "in.srt", srtText(shifted.input, "a"));
    writeFile(dir_ / "ref.srt", srtText(shifted.reference, "b"));
    EXPECT_EQ(run({"--reference", "ref.srt", "--check", "--tolerance", "2500", "in.srt"}).status, 0);
    EXPECT_EQ(run({"--check", "in.srt"}).status, 2);
}

TEST_F(ReportToolTest, VersionAndBothHelpOptions) {
    ASSERT_EQ(run({"--version"}).status, 0);
    EXPECT_EQ(readFile(dir_ / ".stdout"), std::string("tessaly-retime ") + TESSALY_VERSION + "\n");
    ASSERT_EQ(run({"--help"}).status, 0);
    const std::string help = readFile(dir_ / ".stdout");
    EXPECT_NE(help.find("--json FILE|-"), std::string::npos);
    EXPECT_NE(help.find("--library DIR"), std::string::npos);
    ASSERT_EQ(run({"-h"}).status, 0);
    EXPECT_EQ(readFile(dir_ / ".stdout"), help);
}

}  // namespace

namespace {

class BatchToolTest : public ReportToolTest {};

TEST_F(BatchToolTest, FiftyFilesWithThreeBrokenFinishTheRestAndReportEachFile) {
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 100);
    const Pair unrelated = makePair(Case{"unrelated", 1.0, 0, {}, true}, 7, 100);
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    std::vector<std::string> args = {"--reference", "ref.srt", "--output-dir", "out", "--json", "batch.json"};
    std::set<std::string> broken = {"in07.srt", "in23.srt", "in41.srt"};
    for (int k = 0; k < 50; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "in%02d.srt", k);
        args.push_back(name);
        if (k == 7) continue;  // missing
        writeFile(dir_ / name, k == 23 ? srtText(unrelated.input, "x") : k == 41 ? "no subtitle\n" : srtText(pair.input, "a"));
    }
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 7) << r.err;
    EXPECT_NE(r.err.find("47 of 50 files done"), std::string::npos) << r.err;
    const json j = report("batch.json");
    EXPECT_EQ(j["mode"], "batch");
    EXPECT_EQ(j["done"], 47);
    EXPECT_EQ(j["not_done"], 3);
    ASSERT_EQ(j["files"].size(), 50u);
    const std::string first = readFile(dir_ / "out" / "in00.srt");
    for (const json& f : j["files"]) {
        const std::string input = f["input"];
        const std::string output = "out/" + input;
        if (broken.count(input)) {
            EXPECT_NE(f["exit_status"], 0) << input;
            EXPECT_FALSE(f["errors"].empty()) << input;
            EXPECT_FALSE(fs::exists(dir_ / output)) << input;
            EXPECT_NE(r.err.find(input), std::string::npos);
        } else {
            EXPECT_EQ(f["exit_status"], 0) << input;
            expectWritten(f, output);
            EXPECT_EQ(readFile(dir_ / output), first) << input;  // the same INPUT, the same result
        }
    }
    EXPECT_NEAR(firstStart(first), firstStart(srtText(pair.input, "a")) + 2000, 50);
    // A missing REF stops no run but every file reports it.
    EXPECT_EQ(run({"--reference", "absent.srt", "--output-dir", "out2", "in00.srt", "in01.srt"}).status, 7);
}

#ifndef _WIN32  // a signal delivered by a preloaded library
TEST_F(BatchToolTest, AFileWhoseRunIsKilledStopsNoneOfTheRest) {
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 100);
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    for (const char* name : {"a.srt", "b.srt", "c.srt"}) writeFile(dir_ / name, srtText(pair.input, "a"));
    // b's run is ended by SIGTERM in the middle of writing its output; one at
    // a time, so that c runs after b in the same batch.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    ::setenv("TESSALY_TEST_SIGNAL_IN_WRITE", "15", 1);
    ::setenv("TESSALY_TEST_SIGNAL_IN_WRITE_TO", ".b.srt.retime-", 1);
    ::setenv("LD_PRELOAD", TESSALY_SIGNAL_IN_WRITE_PATH, 1);
    ::setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    const ToolRun r = run({"--reference", "ref.srt", "--output-dir", "out", "--jobs", "1", "a.srt", "b.srt", "c.srt"});
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("TESSALY_TEST_SIGNAL_IN_WRITE");
    ::unsetenv("TESSALY_TEST_SIGNAL_IN_WRITE_TO");
    asan ? ::setenv("ASAN_OPTIONS", asan, 1) : ::unsetenv("ASAN_OPTIONS");
    EXPECT_EQ(r.status, 7) << r.err;
    EXPECT_NE(r.err.find("b.srt its run ended by signal 15"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 of 3 files done"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir_ / "out" / "c.srt"), readFile(dir_ / "out" / "a.srt"));
    // Nothing of b's, not even its temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out"), fs::directory_iterator()), 2);
}
#endif

TEST_F(BatchToolTest, InPlaceKeepsTheFirstOriginalAndAFailedFileUntouched) {
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 100);
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    const std::string original = srtText(pair.input, "a");
    writeFile(dir_ / "a.srt", original);
    writeFile(dir_ / "bad.srt", "no subtitle\n");
    EXPECT_EQ(run({"--reference", "ref.srt", "--in-place", "a.srt", "bad.srt"}).status, 7);
    EXPECT_EQ(readFile(dir_ / "a.srt.orig"), original);
    EXPECT_NE(readFile(dir_ / "a.srt"), original);
    EXPECT_EQ(readFile(dir_ / "bad.srt"), "no subtitle\n");
    EXPECT_FALSE(fs::exists(dir_ / "bad.srt.orig"));
    // Again: done, and the original kept is still the first one.
    EXPECT_EQ(run({"--reference", "ref.srt", "--in-place", "a.srt"}).status, 0);
    EXPECT_EQ(readFile(dir_ / "a.srt.orig"), original);
    // Three files only with a batch option; two INPUTs of one name refused.
    EXPECT_EQ(run({"--reference", "ref.srt", "a.srt", "b.srt", "c.srt"}).status, 2);
    fs::create_directory(dir_ / "sub");
    writeFile(dir_ / "sub" / "a.srt", original);
    EXPECT_EQ(run({"--reference", "ref.srt", "--output-dir", "o", "a.srt", "sub/a.srt"}).status, 7);
}

TEST_F(BatchToolTest, LibraryPairsEachSubtitleWithItsVideoAndTakesNoOutputAsInput) {
    // Subtitle texts stand in for the videos: the reference mode reads them.
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 100);
    const std::string reference = srtText(pair.reference, "b"), input = srtText(pair.input, "a");
    const fs::path lib = dir_ / "lib";
    const std::vector<std::string> videos = {"Film One (2001).mkv", "season 1/电影 第1集.mp4",
                                             "season 1/deep/Show.S01E02.avi", "season 1/deep/Show.S01E02.Extended.avi",
                                             "empty/Alone.mkv"};
    for (const std::string& v : videos) {
        fs::create_directories((lib / v).parent_path());
        writeFile(lib / v, reference);
    }
    const std::vector<std::string> subtitles = {"Film One (2001).zh.srt", "Film One (2001).en.ass.srt",
                                                "season 1/电影 第1集.srt", "season 1/deep/Show.S01E02.en.srt",
                                                "season 1/deep/Show.S01E02.Extended.zh.srt"};
    for (const std::string& s : subtitles) writeFile(lib / s, input);
    writeFile(lib / "season 1" / "Orphan.srt", input);  // no video of its stem
    writeFile(lib / "season 1" / "电影 第1集.srt.orig", input);  // never an input

    const ToolRun r = run({"--library", "lib", "--json", "lib.json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("5 videos, 5 subtitles beside them, 1 videos without one, 1 subtitles without a video"),
              std::string::npos) << r.err;
    const json j = report("lib.json");
    ASSERT_EQ(j["files"].size(), 5u);
    for (const json& f : j["files"]) {
        const fs::path sub = f["input"].get<std::string>();
        const std::string stem = sub.filename().string();
        // Each with its own video: the longest stem that starts its name.
        const std::string ref = fs::path(f["reference"].get<std::string>()).stem().string();
        EXPECT_EQ(stem.rfind(ref + ".", 0), 0u) << stem;
        EXPECT_EQ(stem.find("Extended") == std::string::npos, ref.find("Extended") == std::string::npos) << stem;
        const fs::path synced = sub.parent_path() / (sub.stem().string() + ".synced" + sub.extension().string());
        expectWritten(f, synced.string());
    }
    EXPECT_FALSE(fs::exists(lib / "season 1" / "Orphan.synced.srt"));
    // Again: the .synced files are not taken as inputs, nothing new is written.
    const ToolRun again = run({"--library", "lib", "--json", "lib.json"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(report("lib.json")["files"].size(), 5u);
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(lib)) files += e.is_regular_file();
    EXPECT_EQ(files, videos.size() + subtitles.size() + 2 + 5);
    // --check over the library writes nothing and tells what needs re-timing.
    const ToolRun check = run({"--library", "lib", "--check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.err.find("needs re-timing"), std::string::npos) << check.err;
}

}  // namespace

namespace {

TEST_F(ReportToolTest, AnchorsAreHonouredToTheMillisecondAndAContradictingOneIsReported) {
    const Pair pair = makePair(Case{"offset", 1.0, 2000, {}}, 5, 300);
    writeFile(dir_ / "in.srt", srtText(pair.input, "a"));
    writeFile(dir_ / "ref.srt", srtText(pair.reference, "b"));
    const std::vector<int> in = cueStarts(readFile(dir_ / "in.srt"));
    auto text = [](int ms) {
        char t[32];
        std::snprintf(t, sizeof t, "%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        return std::string(t);
    };
    // Two pins near the evidence (37 ms and 61 ms off the true shift) and one 9 s off.
    const int a = 40, b = 150, c = 260;
    const std::vector<std::pair<int, int>> pins = {{a, in[a] + 2037}, {b, in[b] + 1939}, {c, in[c] + 11000}};
    std::vector<std::string> args = {"--reference", "ref.srt", "--json", "r.json"};
    for (const auto& [k, target] : pins) args.insert(args.end(), {"--anchor", text(in[k]) + "@" + text(target)});
    args.insert(args.end(), {"in.srt", "out.srt"});
    const ToolRun r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int> out = cueStarts(readFile(dir_ / "out.srt"));
    ASSERT_EQ(out.size(), in.size());
    for (const auto& [k, target] : pins) EXPECT_EQ(out[k], target) << "cue " << k;
    // Between the pins every cue keeps the shift of a pin: the mapping stays whole.
    EXPECT_NEAR(out[100] - in[100], 2000, 80);
    EXPECT_NE(r.err.find("anchor " + text(in[c]) + "@" + text(in[c] + 11000) + ": contradicts REF"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("anchor " + text(in[a]) + "@" + text(in[a] + 2037) + ": contradicts"), std::string::npos);
    const json j = report("r.json");
    ASSERT_EQ(j["warnings"].size(), 1u) << j.dump();
    EXPECT_NE(j["warnings"][0]["text"].get<std::string>().find("contradicts REF"), std::string::npos);
    EXPECT_EQ(j["pieces"].size(), 3u);

    // Out of order, or without --reference: usage errors.
    EXPECT_EQ(run({"--reference", "ref.srt", "--anchor", "00:02:00,000@00:02:00,000", "--anchor",
                   "00:03:00,000@00:01:00,000", "in.srt", "o.srt"}).status, 2);
    EXPECT_EQ(run({"--anchor", "00:02:00,000@00:02:00,000", "in.srt", "o.srt"}).status, 2);
    EXPECT_EQ(run({"--reference", "ref.srt", "--anchor", "two@three", "in.srt", "o.srt"}).status, 2);
}

}  // namespace
