// Colour values of the window record as Qt colours: an RGB value with red in
// the low byte, 0xFF000000 for the kind's default colour, or 0xFF000000 plus a
// system colour index. Shared by the window layer and the support libraries.
#pragma once

#include <stdint.h>

#include <QColor>
#include <QPalette>

namespace vexrun {

constexpr uint32_t kDefaultColour = 0xFF000000u;
constexpr uint32_t kSystemColourBase = 0xFF000000u;

// System colour indices the record uses, and the palette role that stands
// for each here.
struct SystemColour {
    uint32_t index;
    QPalette::ColorRole role;
};
inline constexpr SystemColour kSystemColours[] = {
    {5, QPalette::Base},         // window background (the inside of text boxes)
    {8, QPalette::Text},         // window text
    {15, QPalette::Button},      // button face
    {18, QPalette::ButtonText},  // button text
};

// The colour a record value stands for, or an invalid QColor for "the
// kind's default" (also for a system colour this table does not know).
inline QColor colourFromRecord(uint32_t value, const QPalette& palette) {
    if ((value & 0xFF000000u) == 0) {
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    }
    if ((value & 0xFF000000u) == kSystemColourBase && value != kDefaultColour) {
        for (const SystemColour& s : kSystemColours) {
            if (s.index == (value & 0x00FFFFFFu)) return palette.color(QPalette::Active, s.role);
        }
    }
    return QColor();
}

// Sets `role` to `colour` in every colour group, so that a disabled control
// keeps its colours.
inline void setRoleInAllGroups(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
    if (!colour.isValid()) return;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(g, role, colour);
    }
}

}  // namespace vexrun
