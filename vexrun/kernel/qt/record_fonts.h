// The fonts of the window. Controls that store no font use one sans font of
// 12 pixels (9 points at 96 dpi) with Chinese glyphs, chosen so that a time
// text "00:00:00,000" shows whole in an 80-pixel box. A stored font (the
// masked boxes' logical-font record) keeps its pixel height and weight; a face
// this system does not have maps to the same sans families.
#pragma once

#include <stdint.h>

#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include "image/window_record.h"

namespace vexrun {

constexpr int kControlFontPixels = 12;

inline QStringList sansFamilies() {
    return {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Droid Sans Fallback"), QStringLiteral("DejaVu Sans")};
}

inline QFont controlFont() {
    QFont f;
    f.setFamilies(sansFamilies());
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(kControlFontPixels);
    return f;
}

// A logical-font record as a Qt font. A negative height is the character
// height in pixels; a positive one is the cell height, of which the
// character takes about four fifths.
inline QFont fontFromRecord(const image::FontSettings& s) {
    QFont f = controlFont();
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
