// Fitting segments from reference points, choosing a cue's segment, mapping a
// time and the result line.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/segment_fitting.h"
#include "engine/tests/engine_test_support.h"
#include "runtime/program_variables.h"

namespace {

using engine::FitMode;
using engine::SegmentFit;
using engine::SegmentFits;
using enginetest::EngineTest;
using enginetest::FakeBoxes;
using ::testing::ElementsAre;

class SegmentFittingTest : public EngineTest {};

TEST_F(SegmentFittingTest, SourcePointsMustRiseByAtLeastOneMillisecond) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 5000, boxes.source[4] = 5000;
    EXPECT_FALSE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_THAT(boxes.reads, ElementsAre("S4", "S0")) << "nothing is read after the failing pair";

    boxes.source[4] = 5001;
    EXPECT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));

    boxes.source[4] = 4999;
    EXPECT_FALSE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    // Far apart values are compared in doubles, without overflow.
    boxes.source[0] = INT32_MIN, boxes.source[4] = INT32_MAX;
    EXPECT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    boxes.source[0] = INT32_MAX, boxes.source[4] = INT32_MIN;
    EXPECT_FALSE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
}

TEST_F(SegmentFittingTest, FirstFailingPairEndsTheCheck) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[1] = 100, boxes.source[2] = 100, boxes.source[3] = 50,
    boxes.source[4] = 400;
    EXPECT_FALSE(engine::fitSegments(FitMode::FourSegments, boxes.points(), &fits));
    EXPECT_THAT(boxes.reads, ElementsAre("S1", "S0", "S2", "S1"));

    // Two segments never look at rows 1 and 3.
    boxes.reads.clear();
    boxes.source[2] = 200;
    EXPECT_TRUE(engine::fitSegments(FitMode::TwoSegments, boxes.points(), &fits));
    for (const auto& read : boxes.reads) {
        EXPECT_TRUE(read.find('1') == std::string::npos && read.find('3') == std::string::npos) << read;
    }
}

TEST_F(SegmentFittingTest, ValuesAreReadWhenTheAdjustActionReadsThem) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[2] = 60000, boxes.source[4] = 120000;
    boxes.useRatio[4] = true;
    ASSERT_TRUE(engine::fitSegments(FitMode::TwoSegments, boxes.points(), &fits));
    EXPECT_THAT(boxes.reads,
                ElementsAre("S2", "S0", "S4", "S2",                         // validation
                            "T2", "T0", "S2", "S0", "U2", "A", "T0", "S0",  // segment 1
                            "T4", "T2", "S4", "S2", "U4", "r", "A", "T2", "S2",  // segment 2
                            "S2"));                                         // boundary
}

TEST_F(SegmentFittingTest, OneSegmentThirdOfASecondPerSecond) {
    for (bool alignStart : {true, false}) {
        FakeBoxes boxes;
        SegmentFits fits{};
        boxes.source[0] = 1000, boxes.source[4] = 4000, boxes.target[0] = 0, boxes.target[4] = 1000;
        boxes.alignStart = alignStart;
        ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
        ASSERT_EQ(fits.count, 1);
        EXPECT_EQ(fits.boundaryCount, 0);
        const SegmentFit& f = fits.fits[0];
        EXPECT_EQ(f.ratio, 0.3333333333333333);
        EXPECT_EQ(f.shift, -333);
        EXPECT_EQ(f.number, 1);
        EXPECT_EQ(f.upperRow, 4);
        std::vector<int32_t> mapped;
        for (int32_t t : {0, 500, 1000, 2500, 4000, 4001}) mapped.push_back(engine::mapTime(t, f));
        EXPECT_THAT(mapped, ElementsAre(-333, -166, 0, 500, 1000, 1000));
    }
}

TEST_F(SegmentFittingTest, CustomRatioOfASegmentIsAnchoredByTheAlignment) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[2] = 60000, boxes.source[4] = 120000;
    boxes.target[0] = 1000, boxes.target[2] = 61000, boxes.target[4] = 125000;
    boxes.useRatio[4] = true;
    boxes.ratio = 1.0;

    ASSERT_TRUE(engine::fitSegments(FitMode::TwoSegments, boxes.points(), &fits));
    ASSERT_EQ(fits.count, 2);
    EXPECT_EQ(fits.fits[0].ratio, 1.0);
    EXPECT_EQ(fits.fits[0].shift, 1000);
    EXPECT_EQ(fits.fits[1].ratio, 1.0);
    EXPECT_EQ(fits.fits[1].shift, 1000);  // through the lower point
    EXPECT_EQ(engine::mapTime(90000, fits.fits[1]), 91000);

    boxes.alignStart = false;
    ASSERT_TRUE(engine::fitSegments(FitMode::TwoSegments, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].shift, 1000);
    EXPECT_EQ(fits.fits[1].shift, 5000);  // through the upper point
    EXPECT_EQ(engine::mapTime(90000, fits.fits[1]), 95000);
    EXPECT_EQ(fits.fits[1].upperRow, 4);
    EXPECT_EQ(fits.boundaryCount, 1);
    EXPECT_EQ(fits.boundaries[0], 60000);
}

TEST_F(SegmentFittingTest, AnyTargetOrderAndAnyCustomRatioIsAccepted) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[4] = 1000, boxes.target[0] = 700, boxes.target[4] = 700;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, 0.0);
    EXPECT_EQ(engine::mapTime(123456, fits.fits[0]), 700);

    boxes.target[4] = 200;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, -0.5);
    EXPECT_EQ(engine::mapTime(1000, fits.fits[0]), 200);

    boxes.useRatio[4] = true;
    boxes.ratio = -2.0;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, -2.0);
    EXPECT_EQ(fits.fits[0].shift, 700);
}

TEST_F(SegmentFittingTest, ShiftIsRoundedOnceAndMappedTimesTruncated) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[4] = 3, boxes.target[4] = 10;
    boxes.useRatio[4] = true, boxes.ratio = 0.4, boxes.alignStart = false;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].shift, 9);  // 10 - 1.2 = 8.8
    boxes.target[4] = 0;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].shift, -1);  // -1.2

    EXPECT_EQ(engine::mapTime(1, SegmentFit{999.9999, 0, 1, 4}), 999);
    EXPECT_EQ(engine::mapTime(1234, SegmentFit{1.0, 0, 1, 4}), 1234);
    EXPECT_EQ(engine::mapTime(-1, SegmentFit{0.5, 0, 1, 4}), 0);
    EXPECT_EQ(engine::mapTime(-29, SegmentFit{0.1, 0, 1, 4}), -2);
    EXPECT_EQ(engine::mapTime(-1000, SegmentFit{1.0, 500, 1, 4}), -500);
    // Beyond 32 bits the low 32 bits stay; no mapping has no value.
    EXPECT_EQ(engine::mapTime(2000000000, SegmentFit{1.5, 0, 1, 4}), -1294967296);
    EXPECT_EQ(engine::mapTime(5, SegmentFit{std::numeric_limits<double>::quiet_NaN(), 0, 1, 4}), 0);
    EXPECT_EQ(engine::mapTime(5, SegmentFit{std::numeric_limits<double>::infinity(), 0, 1, 4}), 0);
}

TEST_F(SegmentFittingTest, FourSegmentsStoreTheirMappingsAndBoundaries) {
    FakeBoxes boxes;
    SegmentFits fits{};
    const int32_t s[5] = {0, 1000, 2000, 3000, 4000};
    const int32_t t[5] = {0, 2000, 3000, 6000, 6500};
    for (int i = 0; i < 5; ++i) boxes.source[i] = s[i], boxes.target[i] = t[i];
    ASSERT_TRUE(engine::fitSegments(FitMode::FourSegments, boxes.points(), &fits));
    ASSERT_EQ(fits.count, 4);
    const double ratios[4] = {2.0, 1.0, 3.0, 0.5};
    const int32_t shifts[4] = {0, 1000, -3000, 4500};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fits.fits[k].ratio, ratios[k]) << k;
        EXPECT_EQ(fits.fits[k].shift, shifts[k]) << k;
        EXPECT_EQ(fits.fits[k].number, k + 1);
        EXPECT_EQ(fits.fits[k].upperRow, k + 1);
        const SegmentFit stored = engine::storedSegmentFit(FitMode::FourSegments, k + 1);
        EXPECT_EQ(stored.ratio, ratios[k]);
        EXPECT_EQ(stored.shift, shifts[k]);
        EXPECT_EQ(stored.upperRow, k + 1);
    }
    EXPECT_THAT(std::vector<int32_t>(fits.boundaries, fits.boundaries + 3), ElementsAre(1000, 2000, 3000));
    const prog::ProgramVariables* v = prog::vars();
    EXPECT_EQ(v->boundary1, 1000);
    EXPECT_EQ(v->boundary2, 2000);
    EXPECT_EQ(v->boundary3, 3000);

    // Segment end alignment anchors segment 1 at row 1 and segment 4 at row 4:
    // with the fitted ratios both give the same shifts here.
    boxes.alignStart = false;
    ASSERT_TRUE(engine::fitSegments(FitMode::FourSegments, boxes.points(), &fits));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(fits.fits[k].shift, shifts[k]) << k;

    engine::useCustomMapping(1.25, -40);
    const SegmentFit custom = engine::storedSegmentFit(FitMode::CustomRatio, 1);
    EXPECT_EQ(custom.ratio, 1.25);
    EXPECT_EQ(custom.shift, -40);
}

TEST_F(SegmentFittingTest, CueSegmentIsChosenByItsStartFromTheLowestBoundary) {
    const int32_t four[3] = {10, 20, 30};
    std::vector<int32_t> chosen;
    for (int32_t t : {INT32_MIN, 9, 10, 19, 20, 29, 30, INT32_MAX})
        chosen.push_back(engine::segmentFor(t, FitMode::FourSegments, four));
    EXPECT_THAT(chosen, ElementsAre(1, 1, 2, 2, 3, 3, 4, 4));

    const int32_t two[3] = {60000, 0, 0};
    EXPECT_EQ(engine::segmentFor(59999, FitMode::TwoSegments, two), 1);
    EXPECT_EQ(engine::segmentFor(60000, FitMode::TwoSegments, two), 2);
    EXPECT_EQ(engine::segmentFor(-5, FitMode::TwoSegments, two), 1);
    EXPECT_EQ(engine::segmentFor(INT32_MAX, FitMode::OneSegment, two), 1);
    EXPECT_EQ(engine::segmentFor(INT32_MAX, FitMode::CustomRatio, two), 1);
}

TEST_F(SegmentFittingTest, ResultLineShowsRatioAndShift) {
    auto line = [](const SegmentFit& f) {
        prog::Text t = engine::resultLine(f);
        std::string s = enginetest::textOf(t);
        vxFree(t);
        return s;
    };
    const std::string ratio2 = "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "2 = ";   // 缩放比率2 =
    const std::string shift2 = "   \xC6\xBD\xD2\xC6" "2 = ";                // 平移2 =
    EXPECT_EQ(line(SegmentFit{1.5, -250, 2, 4}), ratio2 + "1.5" + shift2 + "-250");
    EXPECT_EQ(line(SegmentFit{1.0, 1000, 2, 4}), ratio2 + "1" + shift2 + "1000");
    const std::string one = line(SegmentFit{0.3333333333333333, -333, 1, 4});
    EXPECT_EQ(one, "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA" "1 = 0.3333333333333333   \xC6\xBD\xD2\xC6" "1 = -333");
    EXPECT_EQ(line(SegmentFit{0.0, 0, 4, 4}).substr(0, 8), "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA");
    EXPECT_NE(line(SegmentFit{2.0, 7, 4, 4}).find("4 = 2   "), std::string::npos);
    EXPECT_NE(line(SegmentFit{2.0, 7, 3, 3}).find("3 = 7"), std::string::npos);
}

}  // namespace
