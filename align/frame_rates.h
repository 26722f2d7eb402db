// Frame rates as exact fractions, and the ratios between them that a change of
// release brings: a subtitle of a release at FROM frames per second fits a
// release of the same film at TO when every time is multiplied by FROM / TO.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace align {

// A frame rate as the fraction numerator / denominator (23.976 is 24000/1001).
struct FrameRate {
    std::string_view name;
    int64_t numerator;
    int64_t denominator;
};

// A ratio between two different frame rates of the common set (23.976, 24,
// 25, 29.97, 30), in either direction. Pairs with the same ratio (24 -> 23.976
// and 30 -> 29.97) are listed once, under the first pair.
struct FrameRateRatio {
    double ratio;
    std::string name;  // "25 -> 23.976"
};

// Every ratio of the common set, without 1.
const std::vector<FrameRateRatio>& frameRateRatios();

// The name of the frame-rate pair whose ratio is exactly `ratio`, "" if none.
std::string frameRatePairName(double ratio);

// Reads "FROM:TO" (each a known rate such as 23.976, or a positive decimal
// number) into the ratio FROM / TO, computed from the exact fractions with
// one rounding. False with a one-line reason in `error`.
bool parseFrameRatePair(std::string_view text, double& ratio, std::string& error);

// The shortest decimal text that reads back as exactly `value`.
std::string exactDecimal(double value);

}  // namespace align
