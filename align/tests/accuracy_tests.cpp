// The aligner on generated pairs with a known true mapping (generated_pairs.h).
// Each case reports the median and 95th-percentile error against the truth
// and the share of times within 100 ms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "align/frame_rates.h"
#include "align/tests/generated_pairs.h"

namespace {

using namespace aligntest;

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

std::vector<Case> cases() {
    std::vector<Case> all = {
        {"offset only", 1.0, 2480, {}},
        {"negative offset", 1.0, -1730, {}},
        {"scene added", 1.0, 900, {{500, 31000}}},
        {"scene cut", 25025.0 / 24000.0, 400, {{700, -45000}}},
        {"two edits", 24.0 / 25.0, -1200, {{300, 60000}, {800, -30000}}},
        {"in sync", 1.0, 0, {}},
        {"slow drift", 1.0008, 300, {}},
        {"slow drift, scene added", 0.99935, -600, {{400, 20000}}},
        {"unrelated", 1.0, 0, {}, true},
        {"short scene added", 1.0, 500, {{600, 800}}},
        {"short cut", 1.0, 500, {{600, -1200}}},
        {"early edit", 1.0, 500, {{8, 20000}}},
        // Six edits of both signs, two large ones of opposite sign close together.
        {"six edits of both signs", 25.0 / (24000.0 / 1001.0), 1500,
         {{120, 8000}, {250, -12000}, {400, 95000}, {440, -110000}, {700, 15000}, {850, -6000}}},
    };
    for (const auto& r : align::frameRateRatios()) {
        all.push_back(Case{"fps " + r.name, r.ratio, 1100, {{600, 25000}}});
    }
    return all;
}

TEST(AlignerAccuracy, GeneratedPairsMeetTheTargets) {
    unsigned seed = 11;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const Pair pair = makePair(c, seed++);
        const align::Alignment found = align::alignCues(pair.input, pair.reference, align::AlignSettings{});
        if (c.unrelated) {
            EXPECT_FALSE(found.matched);
            std::printf("%-26s too little in common: %s\n", c.name.c_str(), found.failure.c_str());
            continue;
        }
        ASSERT_TRUE(found.matched) << found.failure;
        std::vector<double> errors;
        for (std::size_t i = 0; i < pair.input.size(); ++i) {
            if (!pair.trueStart[i]) continue;
            const align::Piece& piece = found.pieces[align::pieceFor(found.pieces, pair.input[i].start)];
            const double ratio = found.chosen.ratio;
            errors.push_back(std::fabs(align::mapTime(pair.input[i].start, ratio, piece.shift) - *pair.trueStart[i]));
            errors.push_back(std::fabs(align::mapTime(pair.input[i].end, ratio, piece.shift) - *pair.trueEnd[i]));
        }
        const double within100 =
            static_cast<double>(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 100; })) /
            static_cast<double>(errors.size());
        const double within500 =
            static_cast<double>(std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 500; })) /
            static_cast<double>(errors.size());
        std::printf("%-26s median %4.0f ms  p95 %5.0f ms  within 100 ms %5.1f%%  ratio %.10g%s  pieces %zu\n",
                    c.name.c_str(), percentile(errors, 0.5), percentile(errors, 0.95), 100 * within100, found.chosen.ratio,
                    found.freeRatio ? " (free)" : "", found.pieces.size());
        EXPECT_LE(percentile(errors, 0.95), 100);
        EXPECT_GE(within500, 0.99);
        if (c.name == "in sync") {
            EXPECT_LE(*std::max_element(errors.begin(), errors.end()), 20);
        }
        if (c.ratio == 1.0 || !align::frameRatePairName(c.ratio).empty()) {
            // A frame-rate pair (or none) is found exactly, not as a free ratio.
            EXPECT_EQ(found.chosen.ratio, c.ratio);
        }
    }
}

}  // namespace
