// Fitting segments from reference points, choosing a cue's segment, mapping a
// time and the result line.
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

TEST_F(SegmentFittingTest, SourcePointsRiseByAtLeastOneMillisecondFirstFailureEndsTheCheck) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 5000, boxes.source[4] = 5000;
    EXPECT_FALSE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_THAT(boxes.reads, ElementsAre("S4", "S0")) << "nothing is read after the failing pair";
    boxes.source[4] = 5001;
    EXPECT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    boxes.source[0] = INT32_MIN, boxes.source[4] = INT32_MAX;  // in doubles: no overflow
    EXPECT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    boxes.source[0] = INT32_MAX, boxes.source[4] = INT32_MIN;
    EXPECT_FALSE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));

    FakeBoxes four;
    four.source[0] = 0, four.source[1] = 100, four.source[2] = 100, four.source[3] = 50, four.source[4] = 400;
    EXPECT_FALSE(engine::fitSegments(FitMode::FourSegments, four.points(), &fits));
    EXPECT_THAT(four.reads, ElementsAre("S1", "S0", "S2", "S1"));
}

TEST_F(SegmentFittingTest, ValuesAreReadWhenTheAdjustActionReadsThem) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[1] = 9, boxes.source[2] = 60000, boxes.source[3] = 9, boxes.source[4] = 120000;
    boxes.useRatio[4] = true;
    ASSERT_TRUE(engine::fitSegments(FitMode::TwoSegments, boxes.points(), &fits));
    // Rows 1 and 3 are never read with two segments.
    EXPECT_THAT(boxes.reads,
                ElementsAre("S2", "S0", "S4", "S2",                              // validation
                            "T2", "T0", "S2", "S0", "U2", "A", "T0", "S0",       // segment 1
                            "T4", "T2", "S4", "S2", "U4", "r", "A", "T2", "S2",  // segment 2
                            "S2"));                                              // boundary
}

TEST_F(SegmentFittingTest, OneSegmentThirdOfASecondPerSecondUnderEitherAlignment) {
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
    ASSERT_EQ(fits.boundaryCount, 1);
    EXPECT_EQ(fits.boundaries[0], 60000);
    EXPECT_EQ(prog::vars()->boundary1, 60000);
}

TEST_F(SegmentFittingTest, AnyRatioIsTakenShiftIsRoundedMappedTimesTruncated) {
    FakeBoxes boxes;
    SegmentFits fits{};
    boxes.source[0] = 0, boxes.source[4] = 1000, boxes.target[0] = 700, boxes.target[4] = 700;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, 0.0);  // equal targets
    EXPECT_EQ(engine::mapTime(123456, fits.fits[0]), 700);
    boxes.target[4] = 200;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, -0.5);  // falling targets
    boxes.useRatio[4] = true, boxes.ratio = -2.0;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].ratio, -2.0);
    EXPECT_EQ(fits.fits[0].shift, 700);

    // Shift: 10 - 3 x 0.4 = 8.8 rounds to 9; 0 - 1.2 to -1.
    boxes.source[4] = 3, boxes.target[0] = 0, boxes.target[4] = 10, boxes.ratio = 0.4, boxes.alignStart = false;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].shift, 9);
    boxes.target[4] = 0;
    ASSERT_TRUE(engine::fitSegments(FitMode::OneSegment, boxes.points(), &fits));
    EXPECT_EQ(fits.fits[0].shift, -1);

    EXPECT_EQ(engine::mapTime(1, SegmentFit{999.9999, 0, 1, 4}), 999);
    EXPECT_EQ(engine::mapTime(-1, SegmentFit{0.5, 0, 1, 4}), 0);
    EXPECT_EQ(engine::mapTime(2000000000, SegmentFit{1.5, 0, 1, 4}), -1294967296);  // low 32 bits of 3e9
    EXPECT_EQ(engine::mapTime(5, SegmentFit{std::numeric_limits<double>::quiet_NaN(), 0, 1, 4}), 0);
    EXPECT_EQ(engine::mapTime(5, SegmentFit{std::numeric_limits<double>::infinity(), 0, 1, 4}), 0);
    EXPECT_EQ(engine::mapTime(-29, SegmentFit{0.1, 0, 1, 4}), -2);
    EXPECT_EQ(engine::mapTime(-1000, SegmentFit{1.0, 500, 1, 4}), -500);

    // Whether the mapped time is itself or its low 32 bits.
    const auto holds = [](int32_t t, double ratio, int32_t shift) {
        return engine::mapTimeHolds(t, SegmentFit{ratio, shift, 1, 4});
    };
    EXPECT_TRUE(holds(INT32_MAX, 1.0, 0));
    EXPECT_FALSE(holds(INT32_MAX, 1.0, 1));
    EXPECT_TRUE(holds(INT32_MIN, 1.0, 0));
    EXPECT_FALSE(holds(INT32_MIN, 1.0, -1));
    EXPECT_TRUE(holds(-1, 2147483648.9, 0));  // -2147483648.9 truncates to INT32_MIN
    EXPECT_FALSE(holds(2000000000, 1.5, 0));
    EXPECT_FALSE(holds(5, std::numeric_limits<double>::quiet_NaN(), 0));
    EXPECT_FALSE(holds(5, std::numeric_limits<double>::infinity(), 0));
}

TEST_F(SegmentFittingTest, FourSegmentsStoreTheirMappingsAndBoundaries) {
    FakeBoxes boxes;
    SegmentFits fits{};
    const int32_t s[5] = {0, 1000, 2000, 3000, 4000}, t[5] = {0, 2000, 3000, 6000, 6500};
    for (int i = 0; i < 5; ++i) boxes.source[i] = s[i], boxes.target[i] = t[i];
    const double ratios[4] = {2.0, 1.0, 3.0, 0.5};
    const int32_t shifts[4] = {0, 1000, -3000, 4500};
    for (bool alignStart : {true, false}) {  // fitted ratios: both anchors give the same shift
        boxes.alignStart = alignStart;
        ASSERT_TRUE(engine::fitSegments(FitMode::FourSegments, boxes.points(), &fits));
        ASSERT_EQ(fits.count, 4);
        for (int k = 0; k < 4; ++k) {
            const SegmentFit stored = engine::storedSegmentFit(FitMode::FourSegments, k + 1);
            EXPECT_EQ(fits.fits[k].ratio, ratios[k]) << k;
            EXPECT_EQ(fits.fits[k].shift, shifts[k]) << k;
            EXPECT_EQ(fits.fits[k].upperRow, k + 1);
            EXPECT_EQ(stored.ratio, ratios[k]);
            EXPECT_EQ(stored.shift, shifts[k]);
        }
    }
    EXPECT_THAT(std::vector<int32_t>(fits.boundaries, fits.boundaries + 3), ElementsAre(1000, 2000, 3000));
    const prog::ProgramVariables* v = prog::vars();
    EXPECT_THAT(std::vector<int32_t>({v->boundary1, v->boundary2, v->boundary3}), ElementsAre(1000, 2000, 3000));

    engine::useCustomMapping(1.25, -40);
    const SegmentFit custom = engine::storedSegmentFit(FitMode::CustomRatio, 1);
    EXPECT_EQ(custom.ratio, 1.25);
    EXPECT_EQ(custom.shift, -40);
}

TEST_F(SegmentFittingTest, CueSegmentIsChosenByItsStartFromTheLowestBoundary) {
    const int32_t four[3] = {10, 20, 30}, two[3] = {60000, 0, 0};
    std::vector<int32_t> chosen;
    for (int32_t t : {INT32_MIN, 9, 10, 19, 20, 29, 30, INT32_MAX})
        chosen.push_back(engine::segmentFor(t, FitMode::FourSegments, four));
    EXPECT_THAT(chosen, ElementsAre(1, 1, 2, 2, 3, 3, 4, 4));
    EXPECT_EQ(engine::segmentFor(59999, FitMode::TwoSegments, two), 1);
    EXPECT_EQ(engine::segmentFor(60000, FitMode::TwoSegments, two), 2);
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
    const std::string ratio = "\xCB\xF5\xB7\xC5\xB1\xC8\xC2\xCA", shift = "   \xC6\xBD\xD2\xC6";  // GBK
    EXPECT_EQ(line(SegmentFit{1.5, -250, 2, 4}), ratio + "2 = 1.5" + shift + "2 = -250");
    EXPECT_EQ(line(SegmentFit{1.0, 1000, 1, 4}), ratio + "1 = 1" + shift + "1 = 1000");
    EXPECT_EQ(line(SegmentFit{0.3333333333333333, -333, 3, 3}), ratio + "3 = 0.3333333333333333" + shift + "3 = -333");
    EXPECT_EQ(line(SegmentFit{2.0, 7, 4, 4}), ratio + "4 = 2" + shift + "4 = 7");
}

}  // namespace
