// tessaly-retime end to end: output, result lines, exit codes and messages,
// and no half-written output on any failure.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/tests/test_files.h"
#include "retime/tests/tool_run.h"

namespace {

using retimetest::ToolRun;
using testfiles::readFile;
using testfiles::utf16;
using testfiles::writeFile;

namespace fs = std::filesystem;

const std::string kStandard =
    "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nWorld\r\n";

class RetimeToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = retimetest::makeTestFolder("retime-test");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }

    // Runs the tool in the test folder with `args`, `stdinText` on its input.
    // `launcher`, when given, starts the tool (the dynamic loader, say).
    ToolRun run(const std::vector<std::string>& args, const std::string& stdinText = "",
                const std::string& launcher = "") {
        return retimetest::runTool(dir_, args, stdinText, launcher);
    }

    // Files in the test folder other than the given ones (left-over temporaries).
    std::vector<std::string> othersThan(const std::vector<std::string>& known) {
        std::vector<std::string> others;
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
        }
        return others;
    }

    fs::path dir_;
};

const std::vector<std::string> kOneSegment = {"--segments", "1", "--point", "0=00:00:01,000@00:00:02,000",
                                              "--point", "4=00:00:03,000@00:00:05,000"};

TEST_F(RetimeToolTest, RetimesAFileAndReportsEachSegment) {
    writeFile(dir_ / "in.srt", kStandard);
    std::vector<std::string> args = kOneSegment;
    args.insert(args.end(), {"in.srt", "out.srt"});
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "out.srt"),
              "1\r\n00:00:02,000 --> 00:00:03,500\r\nHello\r\n\r\n"
              "2\r\n00:00:05,000 --> 00:00:06,500\r\nWorld\r\n");
    EXPECT_EQ(r.err, "缩放比率1 = 1.5   平移1 = 500\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(othersThan({"in.srt", "out.srt"}).empty());
}

TEST_F(RetimeToolTest, StandardStreamsAndTheDefaultTwoSegments) {
    // A later --point of a row wins; "-" names the standard streams too.
    const ToolRun r = run({"--point", "4=1@1", "--point", "0=0@0", "--point", "2=00:00:02,500@00:00:02,500",
                           "--point", "4=00:00:05,000@00:00:10,000", "--point", "1=9@9", "-", "-"},
                          kStandard);
    EXPECT_EQ(r.status, 0) << r.err;
    // Cue 1 (start 1000 < S2) keeps its times; cue 2 gets ratio 3, shift -5000.
    EXPECT_EQ(r.out,
              "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n"
              "2\r\n00:00:04,000 --> 00:00:07,000\r\nWorld\r\n");
    EXPECT_EQ(r.err, "缩放比率1 = 1   平移1 = 0\n缩放比率2 = 3   平移2 = -5000\n");
}

TEST_F(RetimeToolTest, UseRatioAndAlignmentAsTheAdjustActionHasThem) {
    const std::vector<std::string> base = {"--point", "0=00:00:00,000@00:00:01,000", "--point",
                                           "2=00:01:00,000@00:01:01,000", "--point",
                                           "4=00:02:00,000@00:02:05,000", "--use-ratio", "4"};
    const std::string cue = "1\r\n00:01:30,000 --> 00:01:31,000\r\n";
    ToolRun r = run(base, cue);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\r\n00:01:31,000 --> 00:01:32,000\r\n");
    std::vector<std::string> end = base;
    end.insert(end.end(), {"--align", "end", "--ratio", "1.0"});
    r = run(end, cue);
    EXPECT_EQ(r.out, "1\r\n00:01:35,000 --> 00:01:36,000\r\n");
    EXPECT_NE(r.err.find("平移2 = 5000"), std::string::npos) << r.err;
}

TEST_F(RetimeToolTest, CustomRatioAndShiftPrintNoResultLine) {
    ToolRun r = run({"--custom", "1.00000000", "-00:00:00,500"}, kStandard);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "1\r\n00:00:00,500 --> 00:00:01,500\r\nHello\r\n\r\n"
              "2\r\n00:00:02,500 --> 00:00:03,500\r\nWorld\r\n");
    r = run({"--custom", "2", "+00:10:00,000"}, "1\n00:00:01,000 --> 00:00:02,000\nA\n");
    EXPECT_EQ(r.out, "1\n00:10:02,000 --> 00:10:04,000\nA\n");
    // A "," is the decimal point of a ratio too.
    r = run({"--custom", "1,5", "+0"}, "1\n00:00:01,000 --> 00:00:02,000\nA\n");
    EXPECT_EQ(r.out, "1\n00:00:01,500 --> 00:00:03,000\nA\n");
}

TEST_F(RetimeToolTest, SourceOrderFailureWritesNothing) {
    writeFile(dir_ / "in.srt", kStandard);
    writeFile(dir_ / "out.srt", "previous result");
    const ToolRun r = run({"--segments", "1", "--point", "0=5@0", "--point", "4=5@0", "in.srt", "out.srt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "源时间至少要比上级大1毫秒啦\n");
    EXPECT_EQ(readFile(dir_ / "out.srt"), "previous result");
    EXPECT_TRUE(othersThan({"in.srt", "out.srt"}).empty());

    const ToolRun toStdout = run({"--segments", "4"}, kStandard);  // every source 0
    EXPECT_EQ(toStdout.status, 1);
    EXPECT_EQ(toStdout.out, "");
}

TEST_F(RetimeToolTest, BadUsageIsOneLineNamingItAndStatusTwo) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--segments", "3"}, "--segments takes 1, 2 or 4"},
        {{"--segments"}, "--segments needs a value"},
        {{"--custom", "1.0"}, "--custom needs 2 values"},
        {{"--point", "7=1@2"}, "row '7' is not a row 0..4"},
        {{"--point", "1=12"}, "--point takes ROW=SOURCE@TARGET"},
        {{"--use-ratio", "0"}, "row '0' is not a row 1..4"},
        {{"--align", "middle"}, "--align takes start or end"},
        {{"a", "b", "c"}, "too many files: 'c'"},
        {{"--segments", "1", "--custom", "1", "0"}, "exclude each other"},
        // A ratio that is no number, or none from 0.1 to 10, maps every time
        // to nonsense.
        {{"--custom", "nan", "+0"}, "--custom ratio 'nan' is not a ratio from 0.1 to 10"},
        {{"--custom", "1e300", "+0"}, "--custom ratio '1e300'"},
        {{"--custom", "abc", "0"}, "--custom ratio 'abc'"},
        {{"--ratio", "xyz", "--use-ratio", "2"}, "--ratio 'xyz'"},
        {{"--fps", "1:999999999999"}, "--fps 1:999999999999 gives the ratio 1.000000000001e-12, not one from"},
        {{"--fps", "1000000:1", "--reference", "ref.srt", "in.srt"}, "--fps 1000000:1 gives the ratio 1000000"}};
    for (const auto& [args, says] : cases) {
        const ToolRun r = run(args, kStandard);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("tessaly-retime: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--point ROW=SOURCE@TARGET"), std::string::npos);
}

TEST_F(RetimeToolTest, UnreadableInputAndUnwritableOutputAreStatusThree) {
    ToolRun r = run({"--custom", "1", "0", "missing.srt", "out.srt"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("cannot read 'missing.srt'"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.srt"));

    fs::create_directory(dir_ / "sub");
    r = run({"--custom", "1", "0", "sub"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("'sub'"), std::string::npos) << r.err;

    writeFile(dir_ / "in.srt", kStandard);
    fs::create_directory(dir_ / "locked");
#ifndef _WIN32  // a folder's permissions are the Windows ACL's business
    fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    r = run({"--custom", "1", "0", "in.srt", "locked/out.srt"});
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.err.find("cannot write 'locked/out.srt'"), std::string::npos) << r.err;
    }
    fs::permissions(dir_ / "locked", fs::perms::owner_all);
#endif

    r = run({"--custom", "1", "0", "in.srt", "sub"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("cannot write 'sub'"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
    EXPECT_TRUE(othersThan({"in.srt", "sub", "locked"}).empty());
}

TEST_F(RetimeToolTest, AMappedTimeBeyondThirtyTwoBitsIsStatusThreeNamingItsLine) {
    // 590 h holds in 32 bits; 25/24 of it (and the negative one x 1.5) does
    // not, and once wrapped around into a time that seemed right.
    writeFile(dir_ / "out.srt", "previous result");
    const std::string late = "1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n590:00:00,000 --> 590:00:02,000\nB\n";
    const std::string early = "1\r\n-590:00:00,000 --> 00:00:02,000\r\nA\r\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--fps", "25:24", "-", "out.srt"}, "line 6: 590:00:00,000 --> 590:00:02,000 maps beyond"},
        {{"--custom", "1,5", "+0", "-", "out.srt"}, "line 2: -590:00:00,000 --> 00:00:02,000 maps beyond"},
        {{"--segments", "1", "--point", "0=0@0", "--point", "4=1@3", "-", "out.srt"}, "line 2: "}};
    for (const auto& [args, says] : cases) {
        const ToolRun r = run(args, args[0] == "--fps" ? late : early);
        EXPECT_EQ(r.status, 3) << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("tessaly-retime: " + says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(596:31:23,647 either side of zero); nothing written\n"), std::string::npos) << r.err;
        EXPECT_EQ(readFile(dir_ / "out.srt"), "previous result");
    }
}

#ifndef _WIN32  // modes and symbolic links
TEST_F(RetimeToolTest, ReplacesAFileInPlaceKeepingItsPermissions) {
    writeFile(dir_ / "s.srt", kStandard);
    fs::permissions(dir_ / "s.srt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const ToolRun r = run({"--custom", "1", "00:00:01,000", "s.srt", "s.srt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "s.srt").substr(0, 34), "1\r\n00:00:02,000 --> 00:00:03,000\r\n");
    EXPECT_EQ(fs::status(dir_ / "s.srt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Through a symbolic link the file it names is replaced, the link stays.
    fs::create_symlink("s.srt", dir_ / "link.srt");
    EXPECT_EQ(run({"--custom", "1", "00:00:01,000", "s.srt", "link.srt"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.srt"));
    EXPECT_EQ(readFile(dir_ / "s.srt").substr(0, 34), "1\r\n00:00:03,000 --> 00:00:04,000\r\n");
}
#endif

TEST_F(RetimeToolTest, AWriteProtectedOutputIsRefusedUnlessItIsTheInput) {
    // Refused for every user, root included: no write bit is the owner's
    // word that the file stays, and replacing it by a rename would ignore it.
    writeFile(dir_ / "in.srt", kStandard);
    writeFile(dir_ / "kept.srt", "kept");
    fs::permissions(dir_ / "kept.srt", fs::perms::owner_read | fs::perms::group_read);
#ifdef _WIN32  // read-only by its attribute; no symbolic links
    const std::vector<std::string> outputs = {"kept.srt"};
#else
    fs::create_symlink("kept.srt", dir_ / "link.srt");
    const std::vector<std::string> outputs = {"kept.srt", "link.srt"};
#endif
    for (const std::string& output : outputs) {
        const ToolRun r = run({"--fps", "25:24", "in.srt", output});
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "tessaly-retime: cannot write '" + output + "': it is write-protected (no write permission)\n");
    }
    EXPECT_EQ(readFile(dir_ / "kept.srt"), "kept");

    // The input re-timed in place replaces itself and stays read-only.
    fs::permissions(dir_ / "in.srt", fs::perms::owner_read);
    const ToolRun r = run({"--custom", "1", "00:00:01,000", "in.srt", "in.srt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "in.srt").substr(0, 34), "1\r\n00:00:02,000 --> 00:00:03,000\r\n");
    EXPECT_EQ(fs::status(dir_ / "in.srt").permissions() & fs::perms::owner_write, fs::perms::none);
#ifndef _WIN32
    EXPECT_EQ(fs::status(dir_ / "in.srt").permissions(), fs::perms::owner_read);
#endif
    EXPECT_TRUE(othersThan({"in.srt", "kept.srt", "link.srt"}).empty());
    // Writable again, for the folder's removal.
    fs::permissions(dir_ / "in.srt", fs::perms::owner_write, fs::perm_options::add);
    fs::permissions(dir_ / "kept.srt", fs::perms::owner_write, fs::perm_options::add);
}

#ifndef _WIN32  // signals, delivered by a preloaded library
TEST_F(RetimeToolTest, AnEndingSignalDuringTheWriteLeavesNoTemporaryFile) {
    writeFile(dir_ / "in.srt", kStandard);
    writeFile(dir_ / "out.srt", "previous result");
    // A tool started in the background inherits an ignored SIGINT and keeps
    // ignoring it; this one is to take it.
    std::signal(SIGINT, SIG_DFL);
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        ::setenv("TESSALY_TEST_SIGNAL_IN_WRITE", std::to_string(signal).c_str(), 1);
        ::setenv("LD_PRELOAD", TESSALY_SIGNAL_IN_WRITE_PATH, 1);
        ::setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
        const ToolRun r = run({"--custom", "1", "00:00:01,000", "in.srt", "out.srt"});
        ::unsetenv("LD_PRELOAD");
        ::unsetenv("TESSALY_TEST_SIGNAL_IN_WRITE");
        asan ? ::setenv("ASAN_OPTIONS", asan, 1) : ::unsetenv("ASAN_OPTIONS");
        // Ended by the signal (the shell reports it as 128 + its number).
        EXPECT_TRUE(r.status == 128 + signal || r.status == -1) << r.status << r.err;
        EXPECT_EQ(readFile(dir_ / "out.srt"), "previous result");
        EXPECT_TRUE(othersThan({"in.srt", "out.srt"}).empty());
    }
}
#endif

TEST_F(RetimeToolTest, EmptyAndBinaryInput) {
    ToolRun r = run({"--custom", "1", "0"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const std::string binary("\0\xFF-->\0\n\x80", 8);
    r = run({"--custom", "1", "0"}, binary);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, binary);
    // The time line is the first line: nothing goes in front of it.
    r = run({"--custom", "1", "+00:00:00,001"}, binary);
    EXPECT_EQ(r.out, std::string("00:00:00,001-->00:00:00,001\0\n\x80", 30));
}

TEST_F(RetimeToolTest, OutputsThatAreNoRegularFileAreWrittenInPlace) {
    writeFile(dir_ / "in.srt", kStandard);
    const std::vector<std::string> shift = {"--custom", "1", "00:00:01,000", "in.srt"};
    auto to = [&](const std::string& output) {
        std::vector<std::string> args = shift;
        args.push_back(output);
        return run(args);
    };
    const std::string shifted = "1\r\n00:00:02,000 --> 00:00:03,000\r\nHello\r\n\r\n"
                                "2\r\n00:00:04,000 --> 00:00:05,000\r\nWorld\r\n";
#ifdef _WIN32
    // The null device takes the text and stays a device: no file NUL appears.
    const ToolRun r = to("NUL");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(othersThan({"in.srt"}).empty());
    (void)shifted;
#else

    // Device nodes made here (never the real /dev): the null device takes
    // the text, the full device fails with status 3, and both stay devices.
    if (::mknod((dir_ / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
        ::mknod((dir_ / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        ToolRun r = to("null");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_character_file(dir_ / "null"));
        r = to("full");
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.err.find("cannot write 'full': No space left on device"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_character_file(dir_ / "full"));
    } else if (::geteuid() == 0) {
        ADD_FAILURE() << "root cannot make device nodes here: " << std::strerror(errno);
    }

    // A FIFO's reader gets the whole text.
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    std::string read;
    std::thread reader([&] { read = readFile(dir_ / "fifo"); });
    const ToolRun r = to("fifo");
    reader.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read, shifted);
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));

    // /dev/stdout is our own standard output, wherever it leads.
    EXPECT_EQ(to("/dev/stdout").out, shifted);
    EXPECT_TRUE(othersThan({"in.srt", "null", "full", "fifo"}).empty());
#endif
}

TEST_F(RetimeToolTest, FileNamesInAnyLanguage) {
    const std::string input = "字幕 Ünïcode.srt", output = "出力 ё.srt";
    writeFile(dir_ / fs::path(std::u8string(reinterpret_cast<const char8_t*>(input.c_str()))), kStandard);
    const ToolRun r = run({"--custom", "1", "00:00:01,000", input, output});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / fs::path(std::u8string(reinterpret_cast<const char8_t*>(output.c_str())))).substr(0, 34),
              "1\r\n00:00:02,000 --> 00:00:03,000\r\n");
    // A missing one is named as it was typed.
    const ToolRun missing = run({"--custom", "1", "0", "缺.srt"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.err.find("cannot read '缺.srt'"), std::string::npos) << missing.err;
}

#ifndef _WIN32  // modes, owners and symbolic links
TEST_F(RetimeToolTest, AReplacedFileKeepsModeAndOwnerAndALinkItsLink) {
    writeFile(dir_ / "in.srt", kStandard);
    writeFile(dir_ / "s.srt", "old");
    ASSERT_EQ(::chmod((dir_ / "s.srt").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir_ / "s.srt").c_str(), 1234, 5678), 0);
    }
    fs::create_symlink("s.srt", dir_ / "a.srt");
    fs::create_symlink("a.srt", dir_ / "b.srt");  // a link to a link
    EXPECT_EQ(run({"--custom", "1", "0", "in.srt", "b.srt"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "b.srt") && fs::is_symlink(dir_ / "a.srt"));
    EXPECT_EQ(readFile(dir_ / "s.srt"), kStandard);
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "s.srt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    // A dangling link gets the file it names.
    fs::create_symlink("new.srt", dir_ / "dangling.srt");
    EXPECT_EQ(run({"--custom", "1", "0", "in.srt", "dangling.srt"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.srt"));
    EXPECT_EQ(readFile(dir_ / "new.srt"), kStandard);
}
#endif

TEST_F(RetimeToolTest, EveryLineEndAndUtf16ComeBackAsTheyWere) {
    const std::vector<std::string> shift = {"--custom", "1", "00:00:01,000"};
    const std::string mac = "1\r00:00:01,000 --> 00:00:02,000\rA\r\r2\r00:00:03,000 --> 00:00:04,000\rB\r";
    EXPECT_EQ(run(shift, mac).out, "1\r00:00:02,000 --> 00:00:03,000\rA\r\r2\r00:00:04,000 --> 00:00:05,000\rB\r");
    const std::string mixed = "1\n00:00:01,000 --> 00:00:02,000\r\nA\rB\n\r\n2\r00:00:03,000 --> 00:00:04,000";
    EXPECT_EQ(run(shift, mixed).out, "1\n00:00:02,000 --> 00:00:03,000\r\nA\rB\n\r\n2\r00:00:04,000 --> 00:00:05,000");

    // Both byte orders, a character outside the BMP, an unpaired surrogate in
    // the dialogue and an odd last byte: all come back, only the times change.
    std::u16string in = u"1\r\n00:00:01,000 --> 00:00:02,000\r\n你好 \U0001F600 ";
    std::u16string out = u"1\r\n00:00:02,000 --> 00:00:03,000\r\n你好 \U0001F600 ";
    in += char16_t(0xD800), out += char16_t(0xD800);
    in += u"\r\n", out += u"\r\n";
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        ToolRun r = run(shift, utf16(in, big) + "!");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, utf16(out, big) + "!");
        // No time line: the text comes back as it was.
        r = run({"--custom", "1", "0"}, utf16(u"abc", big));
        EXPECT_EQ(r.out, utf16(u"abc", big));
    }
}

TEST_F(RetimeToolTest, WarningsGoToStandardErrorAndLeaveTheStatus) {
    ToolRun r = run({"--custom", "1", "0"}, "just text\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "just text\r\n");
    EXPECT_EQ(r.err, "tessaly-retime: warning: the input holds no time line of a known format (SRT or WebVTT "
                     "\"-->\", ASS/SSA events, SBV, MicroDVD): nothing was re-timed\n");

    // A "." before the milliseconds is a decimal fraction, a "," a count.
    r = run(kOneSegment, "1\r\n00:00:00.5 --> 0:0:1,5\r\nA\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\r\n00:00:01.250 --> 00:00:02,007\r\nA\r\n");
    EXPECT_EQ(r.err,
              "tessaly-retime: warning: line 2: \"0:0:1,5\" is no time in the standard form and reads as "
              "00:00:01,005\n"
              "缩放比率1 = 1.5   平移1 = 500\n");
    // The same rule in --point, for a source and a target time.
    r = run({"--segments", "1", "--point", "0=1.5@00:00:02.5", "--point", "4=00:00:03.50@5.5"}, "x\n");
    EXPECT_EQ(r.err.substr(r.err.find('\n') + 1), "缩放比率1 = 1.5   平移1 = 250\n");

    r = run({"--custom", "1", "-00:00:02,500"}, kStandard);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tessaly-retime: warning: 2 mapped times fall below zero and are written with \"-\" "
                     "(the first on line 2)\n");
}

// Messages in the user's language where po/ has a translation (Simplified
// Chinese), by LANGUAGE as gettext takes it (in a locale other than C); the
// C locale keeps English, and so does the JSON report, which scripts read.
TEST_F(RetimeToolTest, MessagesInTheUsersLanguage) {
#ifdef _WIN32
    const std::vector<std::string> chinese = {"LANGUAGE=zh_CN"}, cLocale = {"LANGUAGE=zh_CN", "LANG=C"};
#else
    const std::vector<std::string> chinese = {"LANGUAGE=zh_CN", "LC_ALL=C.UTF-8"},
                                   cLocale = {"LANGUAGE=zh_CN", "LC_ALL=C"};
#endif
    auto runIn = [&](const std::vector<std::string>& env, const std::vector<std::string>& args,
                     const std::string& input = "") { return retimetest::runTool(dir_, args, input, "", env); };

    ToolRun r = runIn(chinese, {"--bogus"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tessaly-retime: 未知选项 --bogus（参见 --help）\n");
    r = runIn(cLocale, {"--bogus"});
    EXPECT_EQ(r.err, "tessaly-retime: unknown option --bogus (see --help)\n");
    EXPECT_EQ(runIn(chinese, {"--help"}).out.rfind("用法：tessaly-retime [选项] [INPUT [OUTPUT]]\n", 0), 0u);

    // A warning with its numbers put in; the result lines are the program's own.
    r = runIn(chinese, {"--custom", "1", "-00:00:02,500", "--json", "report.json"}, kStandard);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tessaly-retime: 警告：2 个映射后的时间小于零，带 \"-\" 写出（第一个在第 2 行）\n");
    EXPECT_NE(readFile(dir_ / "report.json").find("warning: 2 mapped times fall below zero"), std::string::npos);
    r = runIn(chinese, kOneSegment, kStandard);
    EXPECT_EQ(r.err, "缩放比率1 = 1.5   平移1 = 500\n");

    // The batch summary, its columns as wide as the terminal shows them.
    writeFile(dir_ / "ref.srt", kStandard);
    r = runIn(chinese, {"--reference", "ref.srt", "--output-dir", "out", "lost.srt"});
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.err, "结果     文件     写入的文件 / 未完成的原因\n"
                     "失败 (3) lost.srt 无法读取 'lost.srt'：没有这个文件；未写入任何内容\n"
                     "1 个文件中完成了 0 个；其余的保持原样\n");
}

#ifndef _WIN32
TEST_F(RetimeToolTest, RunsTheSameUnderTheDynamicLoader) {
    const std::string loader = "/lib64/ld-linux-x86-64.so.2";
    if (!fs::exists(loader)) GTEST_SKIP() << "no " << loader;
    std::vector<std::string> args = kOneSegment;
    args.insert(args.end(), {"-", "out.srt"});
    const ToolRun r = run(args, kStandard, loader);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "out.srt"),
              "1\r\n00:00:02,000 --> 00:00:03,500\r\nHello\r\n\r\n"
              "2\r\n00:00:05,000 --> 00:00:06,500\r\nWorld\r\n");
}
#endif

}  // namespace
