// The line ends of a text in a box: a box keeps each line end of its text as
// it came (CR LF, LF or a lone CR) through the user's edits, and a line break
// the user adds takes the text's usual kind, that of its first line end (CR LF
// when it has none). Platform-free: the Qt layer marks the other kinds by
// document position, the Win32 layer (whose EDIT shows every break as CR LF)
// keeps them by break number with KeptLineEnds.
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexrun::text {

enum class LineEnd : uint8_t { CrLf, Lf, Cr };

const char16_t* lineEndText(LineEnd end);

// The kind of the text's first line end; CR LF when it has none.
LineEnd usualLineEnd(std::u16string_view text);

// The text with every break (CR LF, LF or a lone CR) written CR LF, as a
// Win32 EDIT or STATIC shows breaks.
std::u16string withCrLfBreaks(std::u16string_view text);

// The line ends of a text shown with CR LF breaks, kept by break number.
class KeptLineEnds {
public:
    KeptLineEnds() = default;
    // The kinds of the breaks of `text` (CR LF, LF or a lone CR each one).
    explicit KeptLineEnds(std::u16string_view text);

    LineEnd usual() const { return usual_; }
    // True when some break is not of the usual kind.
    bool mixed() const { return !others_.empty(); }

    // After an edit of the shown text (CR LF breaks) from `before` to `after`:
    // the breaks in their common start and common end keep their kinds; the
    // breaks between take the usual kind.
    void edited(std::u16string_view before, std::u16string_view after);

    // `shown` (CR LF breaks) with every break of its kept kind.
    std::u16string apply(std::u16string_view shown) const;

private:
    LineEnd usual_ = LineEnd::CrLf;
    std::vector<std::pair<size_t, LineEnd>> others_;  // (break number, kind), ascending
};

}  // namespace vexrun::text
