#include "ui/window_icon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/ico_writer.h"
#include "ui/png_writer.h"

namespace ui {
namespace {

// Premultiplied colour with alpha, 0 to 1.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba colour(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, 1.0};
}

// Paints `c` over `dst` with the given coverage (0 to 1).
void paint(Rgba& dst, const Rgba& c, double coverage) {
    const double a = c.a * coverage;
    dst.r = c.r * a + dst.r * (1 - a);
    dst.g = c.g * a + dst.g * (1 - a);
    dst.b = c.b * a + dst.b * (1 - a);
    dst.a = a + dst.a * (1 - a);
}

// Shapes as signed distances (negative inside), in pixel units; a pixel's
// coverage is taken from the distance at its centre, which gives edges one
// pixel of smooth falloff.
double roundedRect(double x, double y, double left, double top, double right, double bottom,
                   double radius) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    const double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double circle(double x, double y, double cx, double cy, double radius) {
    return std::hypot(x - cx, y - cy) - radius;
}

// A stroke with round caps from (ax, ay) to (bx, by).
double stroke(double x, double y, double ax, double ay, double bx, double by, double halfWidth) {
    const double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const double t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - dx * t, py - dy * t) - halfWidth;
}

double coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

uint32_t toArgb(const Rgba& p) {
    if (p.a <= 0) return 0;
    auto channel = [&](double premultiplied) {
        return static_cast<uint32_t>(std::lround(std::clamp(premultiplied / p.a, 0.0, 1.0) * 255));
    };
    const uint32_t a = static_cast<uint32_t>(std::lround(p.a * 255));
    if (a == 0) return 0;
    return (a << 24) | (channel(p.r) << 16) | (channel(p.g) << 8) | channel(p.b);
}

Rgba pixelAt(double x, double y) {
    const Rgba filmStrip = colour(0x263445);
    const Rgba sprocket = colour(0xDCE6EF);
    const Rgba screenTop = colour(0x4FA3F7);
    const Rgba screenBottom = colour(0x1F5FB8);
    const Rgba clockFace = colour(0xFFFFFF);
    const Rgba clockRim = colour(0x14365F);
    const Rgba hand = colour(0x14365F);
    const Rgba secondHand = colour(0xE8473C);
    const Rgba subtitle = colour(0xFFD23F);

    Rgba p;
    // The film strip, with a row of sprocket holes down each side.
    paint(p, filmStrip, coverage(roundedRect(x, y, 3, 4, 45, 44, 4)));
    for (int i = 0; i < 5; ++i) {
        const double top = 7.5 + i * 7.0;
        paint(p, sprocket, coverage(roundedRect(x, y, 5.5, top, 9.5, top + 4, 1)));
        paint(p, sprocket, coverage(roundedRect(x, y, 38.5, top, 42.5, top + 4, 1)));
    }

    // The frame: a picture lit from above.
    const double t = std::clamp((y - 7) / 34.0, 0.0, 1.0);
    const Rgba screen{screenTop.r + (screenBottom.r - screenTop.r) * t,
                      screenTop.g + (screenBottom.g - screenTop.g) * t,
                      screenTop.b + (screenBottom.b - screenTop.b) * t, 1.0};
    paint(p, screen, coverage(roundedRect(x, y, 12, 7, 36, 41, 2.5)));

    // The clock: a face, a rim, the hour hand at ten, the minute hand at
    // twelve, and a red second hand sweeping towards four.
    const double cx = 24, cy = 19.5;
    paint(p, clockRim, coverage(circle(x, y, cx, cy, 8.5)));
    paint(p, clockFace, coverage(circle(x, y, cx, cy, 7.0)));
    for (int mark = 0; mark < 12; mark += 3) {
        const double angle = mark * std::numbers::pi / 6;
        const double sx = std::sin(angle), sy = -std::cos(angle);
        paint(p, hand, coverage(stroke(x, y, cx + sx * 5.2, cy + sy * 5.2, cx + sx * 6.1,
                                       cy + sy * 6.1, 0.45)));
    }
    paint(p, hand, coverage(stroke(x, y, cx, cy, cx - 3.0, cy - 1.8, 0.9)));
    paint(p, hand, coverage(stroke(x, y, cx, cy, cx, cy - 5.2, 0.7)));
    paint(p, secondHand, coverage(stroke(x, y, cx, cy, cx + 4.3, cy + 2.5, 0.4)));
    paint(p, secondHand, coverage(circle(x, y, cx, cy, 1.1)));

    // Two subtitle lines at the foot of the frame.
    paint(p, subtitle, coverage(roundedRect(x, y, 15, 31, 33, 33.6, 1.3)));
    paint(p, subtitle, coverage(roundedRect(x, y, 18, 35.5, 30, 38.1, 1.3)));
    return p;
}

}  // namespace

std::vector<uint32_t> windowIconPixels() {
    std::vector<uint32_t> pixels(size_t{kIconSize} * kIconSize);
    for (uint32_t y = 0; y < kIconSize; ++y) {
        for (uint32_t x = 0; x < kIconSize; ++x) {
            pixels[size_t{y} * kIconSize + x] = toArgb(pixelAt(x + 0.5, y + 0.5));
        }
    }
    return pixels;
}

std::vector<uint8_t> windowIconIco() { return encodeIco32(windowIconPixels(), kIconSize, kIconSize); }

std::vector<uint8_t> windowIconPng() { return encodePng(windowIconPixels(), kIconSize, kIconSize); }

}  // namespace ui
