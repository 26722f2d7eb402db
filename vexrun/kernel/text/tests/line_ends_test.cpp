// The line ends a box keeps through edits, for a box that shows every break
// as CR LF.
#include <gtest/gtest.h>

#include "vexrun/kernel/text/line_ends.h"

namespace vexrun::text {
namespace {

TEST(LineEnds, TheUsualKindIsThatOfTheFirstLineEnd) {
    EXPECT_EQ(usualLineEnd(u"a\nb\r\n"), LineEnd::Lf);
    EXPECT_EQ(usualLineEnd(u"a\rb\n"), LineEnd::Cr);
    EXPECT_EQ(usualLineEnd(u"a\r\nb\n"), LineEnd::CrLf);
    EXPECT_EQ(usualLineEnd(u"no break"), LineEnd::CrLf);
}

TEST(LineEnds, EveryBreakKeepsItsKindAndAnAddedBreakTakesTheUsualOne) {
    const std::u16string text = u"1\n2\r\n3\r4\n";
    KeptLineEnds ends(text);
    EXPECT_TRUE(ends.mixed());
    const std::u16string shown = withCrLfBreaks(text);
    EXPECT_EQ(ends.apply(shown), text);
    // A line typed into the middle, then another at the end.
    const std::u16string middle = u"1\r\n2\r\nnew\r\n3\r\n4\r\n";
    ends.edited(shown, middle);
    EXPECT_EQ(ends.apply(middle), u"1\n2\r\nnew\n3\r4\n");
    const std::u16string typed = middle + u"end\r\n";
    ends.edited(middle, typed);
    EXPECT_EQ(ends.apply(typed), u"1\n2\r\nnew\n3\r4\nend\n");
    // The break after "2" and the line "new" deleted: the rest keep theirs.
    const std::u16string cut = u"1\r\n23\r\n4\r\nend\r\n";
    ends.edited(typed, cut);
    EXPECT_EQ(ends.apply(cut), u"1\n23\r4\nend\n");

    KeptLineEnds plain(u"a\nb\n");
    EXPECT_FALSE(plain.mixed());
    EXPECT_EQ(plain.apply(u"a\r\nx\r\nb\r\n"), u"a\nx\nb\n");
}

}  // namespace
}  // namespace vexrun::text
