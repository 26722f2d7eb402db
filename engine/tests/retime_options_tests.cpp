// The command line of tessaly-retime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/retime/retime_options.h"

namespace {

using engine::FitMode;
using retime::RetimeOptions;

struct Parsed {
    bool ok;
    RetimeOptions options;
    std::string error;
};

Parsed parse(const std::vector<std::string>& args) {
    Parsed p;
    p.ok = retime::parseRetimeOptions(args, p.options, p.error);
    return p;
}

TEST(RetimeOptionsTest, DefaultsAreTwoSegmentsStartAlignedFromStandardStreams) {
    const Parsed p = parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.mode, FitMode::TwoSegments);
    EXPECT_TRUE(p.options.alignStart);
    EXPECT_EQ(p.options.ratio, "1.00000000");
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(p.options.sources[row], "");
        EXPECT_EQ(p.options.targets[row], "");
        EXPECT_FALSE(p.options.useRatio[row]);
    }
    EXPECT_EQ(p.options.input, "");
    EXPECT_EQ(p.options.output, "");
}

TEST(RetimeOptionsTest, EveryOptionIsRead) {
    const Parsed p = parse({"--segments", "4", "--point", "0=00:00:01,000@00:00:02,000", "--point",
                            "3=1:2@  :  :05,   ", "--point", "0=5@6", "--ratio", "0.999", "--use-ratio", "2",
                            "--use-ratio", "4", "--align", "end", "in.srt", "out.srt"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, FitMode::FourSegments);
    EXPECT_EQ(p.options.sources[0], "5");  // a later --point of a row wins
    EXPECT_EQ(p.options.targets[0], "6");
    EXPECT_EQ(p.options.sources[3], "1:2");
    EXPECT_EQ(p.options.targets[3], "  :  :05,   ");
    EXPECT_EQ(p.options.ratio, "0.999");
    EXPECT_TRUE(p.options.useRatio[2]);
    EXPECT_TRUE(p.options.useRatio[4]);
    EXPECT_FALSE(p.options.useRatio[1]);
    EXPECT_FALSE(p.options.alignStart);
    EXPECT_EQ(p.options.input, "in.srt");
    EXPECT_EQ(p.options.output, "out.srt");

    EXPECT_EQ(parse({"--segments", "1"}).options.mode, FitMode::OneSegment);
    EXPECT_EQ(parse({"--help"}).options.help, true);
    EXPECT_EQ(parse({"-", "out"}).options.output, "out");
    EXPECT_EQ(parse({"--", "--odd-name"}).options.input, "--odd-name");
}

TEST(RetimeOptionsTest, CustomModeTakesRatioAndSignedShift) {
    const Parsed p = parse({"--custom", "1.001", "-00:01:30,000"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, FitMode::CustomRatio);
    EXPECT_EQ(p.options.customRatio, "1.001");
    EXPECT_EQ(p.options.customShift, "-00:01:30,000");
}

TEST(RetimeOptionsTest, BadUsageIsNamed) {
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--segments", "3"}, "--segments takes 1, 2 or 4"},
        {{"--segments"}, "--segments needs a value"},
        {{"--custom", "1.0"}, "--custom needs 2 values"},
        {{"--point", "5=1@2"}, "row '5' is not a row 0..4"},
        {{"--point", "x=1@2"}, "row 'x' is not a row 0..4"},
        {{"--point", "1=12"}, "--point takes ROW=SOURCE@TARGET"},
        {{"--point", "1@2"}, "--point takes ROW=SOURCE@TARGET"},
        {{"--use-ratio", "0"}, "--use-ratio row '0' is not a row 1..4"},
        {{"--use-ratio", "5"}, "--use-ratio row '5'"},
        {{"--align", "middle"}, "--align takes start or end"},
        {{"--ratio"}, "--ratio needs a value"},
        {{"a", "b", "c"}, "too many files: 'c'"},
        {{"--segments", "1", "--custom", "1", "0"}, "exclude each other"},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.args[0];
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

}  // namespace
