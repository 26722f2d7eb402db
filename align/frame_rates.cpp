// Frame rates as exact fractions and the ratios between them.
#include "align/frame_rates.h"

#include <array>
#include <charconv>
#include <span>

#include "messages/messages.h"

namespace align {
namespace {

// The NTSC rates are 1000/1001 of the round ones; their usual short names
// stand for the exact fraction, never for the decimal.
constexpr std::array<FrameRate, 5> kCommonRates{{
    {"23.976", 24000, 1001},
    {"24", 24, 1},
    {"25", 25, 1},
    {"29.97", 30000, 1001},
    {"30", 30, 1},
}};
constexpr std::array<FrameRate, 4> kOtherNames{{
    {"23.98", 24000, 1001},
    {"47.952", 48000, 1001},
    {"59.94", 60000, 1001},
    {"119.88", 120000, 1001},
}};

constexpr bool ascendingAndPositive() {
    for (std::size_t i = 0; i < kCommonRates.size(); ++i) {
        if (kCommonRates[i].numerator <= 0 || kCommonRates[i].denominator <= 0) return false;
        if (i > 0 && kCommonRates[i - 1].numerator * kCommonRates[i].denominator >=
                         kCommonRates[i].numerator * kCommonRates[i - 1].denominator) {
            return false;
        }
    }
    return true;
}
static_assert(ascendingAndPositive(), "the common rates are positive and strictly ascending");

// FROM / TO: the products in 128 bits (a typed rate has up to 12 digits on
// each side of its point, so a product may pass 64 bits), with one rounding
// for the common rates, whose products lie below 2^53.
double ratioOf(const FrameRate& from, const FrameRate& to) {
    const __int128 top = static_cast<__int128>(from.numerator) * to.denominator;
    const __int128 bottom = static_cast<__int128>(from.denominator) * to.numerator;
    return static_cast<double>(top) / static_cast<double>(bottom);
}

bool readRate(std::string_view text, FrameRate& rate) {
    for (const auto& table : {std::span<const FrameRate>(kCommonRates), std::span<const FrameRate>(kOtherNames)}) {
        for (const FrameRate& known : table) {
            if (known.name == text) {
                rate = known;
                return true;
            }
        }
    }
    // A plain decimal: digits with at most one point, at most 12 digits.
    int64_t numerator = 0;
    int64_t denominator = 1;
    int digits = 0;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9' && ++digits <= 12) {
            numerator = numerator * 10 + (c - '0');
            if (point) denominator *= 10;
        } else {
            return false;
        }
    }
    if (digits == 0 || numerator == 0) return false;
    rate = FrameRate{text, numerator, denominator};
    return true;
}

}  // namespace

const std::vector<FrameRateRatio>& frameRateRatios() {
    static const std::vector<FrameRateRatio> ratios = [] {
        std::vector<FrameRateRatio> all;
        for (const FrameRate& from : kCommonRates) {
            for (const FrameRate& to : kCommonRates) {
                if (&from == &to) continue;
                const double r = ratioOf(from, to);
                bool known = false;
                for (const auto& seen : all) known = known || seen.ratio == r;
                if (!known) all.push_back({r, std::string(from.name) + " -> " + std::string(to.name)});
            }
        }
        return all;
    }();
    return ratios;
}

std::string frameRatePairName(double ratio) {
    for (const auto& r : frameRateRatios()) {
        if (r.ratio == ratio) return r.name;
    }
    return "";
}

bool parseFrameRatePair(std::string_view text, double& ratio, std::string& error) {
    const std::size_t colon = text.find(':');
    FrameRate from{};
    FrameRate to{};
    if (colon == std::string_view::npos || !readRate(text.substr(0, colon), from) ||
        !readRate(text.substr(colon + 1), to)) {
        error = messages::say("--fps takes FROM:TO, two frame rates such as 23.976:25, not '%s'", {text});
        return false;
    }
    ratio = ratioOf(from, to);
    return true;
}

std::string exactDecimal(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec == std::errc() && result.ptr - buffer <= 24) return std::string(buffer, result.ptr);
    const auto general = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, general.ptr);
}

}  // namespace align
