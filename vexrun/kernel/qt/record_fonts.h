// The fonts of the window. Controls that store no font use one sans font of
// 12 pixels (9 points at 96 dpi) with Chinese glyphs, set a little narrower
// than its normal width: so a time text "00:00:00,000" shows whole in an
// 80-pixel box, and the widest result line a fit gives (a ratio of 17
// significant digits with its sign, a shift of 11 characters) in the 272
// pixels of a result label. A stored font (the masked boxes' logical-font
// record) keeps its pixel height, weight and width; a face this system does
// not have maps to the same sans families. Where a text still does not fit
// its control, fontFittingWidth gives a smaller size of the same font.
#pragma once

#include <stdint.h>

#include <algorithm>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include "image/window_record.h"

namespace vexrun {

constexpr int kControlFontPixels = 12;
constexpr int kControlFontStretch = 85;  // percent of the normal width
constexpr int kSmallestFontPixels = 6;

inline QStringList sansFamilies() {
    return {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Droid Sans Fallback"), QStringLiteral("DejaVu Sans")};
}

inline QFont controlFont() {
    QFont f;
    f.setFamilies(sansFamilies());
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(kControlFontPixels);
    f.setStretch(kControlFontStretch);
    return f;
}

// `font`, or a smaller pixel size of it, so that each of `lines` is at most
// `width` pixels wide; the smallest size it goes down to is
// kSmallestFontPixels.
inline QFont fontFittingWidth(QFont font, const QStringList& lines, int width) {
    auto widest = [&lines](const QFont& f) {
        const QFontMetrics metrics(f);
        int w = 0;
        for (const QString& line : lines) w = std::max(w, metrics.horizontalAdvance(line));
        return w;
    };
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : kControlFontPixels;
    while (pixels > kSmallestFontPixels && widest(font) > width) font.setPixelSize(--pixels);
    return font;
}

// A logical-font record as a Qt font. A negative height is the character
// height in pixels; a positive one is the cell height, of which the
// character takes about four fifths.
inline QFont fontFromRecord(const image::FontSettings& s) {
    QFont f = controlFont();
    f.setStretch(QFont::Unstretched);
    QStringList families = sansFamilies();
    const QString face = QString::fromLatin1(s.faceName.data(), qsizetype(s.faceName.size()));
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) families.prepend(face);
    f.setFamilies(families);
    int pixels = kControlFontPixels;
    if (s.height < 0) pixels = -s.height;
    if (s.height > 0) pixels = (s.height * 4 + 2) / 5;
    if (pixels < 6) pixels = 6;
    if (pixels > 200) pixels = 200;
    f.setPixelSize(pixels);
    if (s.weight > 0) f.setWeight(QFont::Weight(s.weight < 1 ? 1 : (s.weight > 1000 ? 1000 : s.weight)));
    f.setItalic(s.italic != 0);
    f.setUnderline(s.underline != 0);
    f.setStrikeOut(s.strikeOut != 0);
    return f;
}

}  // namespace vexrun
