#include "vexrun/kernel/core/number_text.h"

#include <math.h>
#include <stdlib.h>

#include <charconv>

#include "vexrun/kernel/core/platform.h"

namespace vexrun {

int32_t parseInteger(std::string_view text) noexcept {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;  // wraps modulo 2^32
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

double parseDouble(std::string_view text) noexcept {
    std::string copy(text);  // strtod needs the NUL
    return platform::parseDoubleInCLocale(copy.c_str());
}

std::string formatDouble(double x) {
    if (x == 0) return "0";
    if (isnan(x)) return "nan";
    char buffer[400];
    double magnitude = fabs(x);
    std::to_chars_result r = (magnitude >= 1e-6 && magnitude < 1e21)
                                 ? std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed)
                                 : std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, r.ptr);
}

namespace {

// Rounds y, which stands for the exact value y + residual, to an integer;
// halves go away from zero. |residual| is at most half an ulp of y, so it only
// decides when y itself is a half.
double roundWithResidual(double y, double residual) {
    double whole = trunc(y);
    if (fabs(y - whole) == 0.5 && residual != 0) return residual > 0 ? ceil(y) : floor(y);
    return round(y);
}

double powerOfTen(int32_t n) {
    static constexpr double exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return n <= 22 ? exact[n] : pow(10.0, n);
}

}  // namespace

double roundToPlaces(double x, int32_t places) noexcept {
    if (!isfinite(x) || x == 0) return x;
    if (places >= 0) {
        if (places > 330) return x;
        double p = powerOfTen(places);
        double y = x * p;
        if (!isfinite(y) || fabs(y) >= 4503599627370496.0) return x;  // 2^52: nothing left to round
        double residual = fma(x, p, -y);                             // x * p == y + residual exactly
        return roundWithResidual(y, residual) / p;
    }
    if (places < -308) return copysign(0.0, x);  // 10^309 and up: inf
    double p = powerOfTen(-places);
    double y = x / p;
    double residual = fma(-y, p, x) / p;  // x == y * p + residual * p
    return roundWithResidual(y, residual) * p;
}

}  // namespace vexrun
