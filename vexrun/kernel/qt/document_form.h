// How a multi-line box holds a text in its document, so that setting,
// pasting, laying out and showing it stay linear in the text's length.
//
// Every line break (CR LF, LF or CR) becomes one character: a line separator
// (U+2028) within a paragraph, and a paragraph break after every
// kLinesPerParagraph lines, so that a text of 400,000 lines is a document of
// 12,500 paragraphs. A line longer than kLongestShownRun characters is shown
// in pieces, each a paragraph of its own that continues the line before it
// (a soft break): the document lays out only the paragraphs in view, and a
// paragraph short enough lays out quickly however it wraps. Soft breaks are
// not part of the text; the box marks their paragraphs (kContinuedLine) and
// leaves them out when it gives its text back.
#pragma once

#include <stdint.h>

#include <vector>

#include <QString>

#include "vexrun/kernel/qt/text_codec.h"
#include "vexrun/kernel/text/line_ends.h"

class QTextDocument;

namespace vexrun {

constexpr int kLongestShownRun = 1000;
// The user state of a paragraph that continues the line of the one before.
constexpr int kContinuedLine = 0x7E57;

using text::LineEnd;
using text::lineEndText;

// The line breaks of a text that are not of its usual kind, by their position
// in the document (ascending); every other break is of the usual kind.
struct OtherLineEnds {
    LineEnd usual = LineEnd::CrLf;
    std::vector<int> positions;
    std::vector<LineEnd> ends;

    LineEnd at(int position) const;
    // An edit of the document: the characters [position, position + removed)
    // replaced by `added` others. Breaks removed go; the breaks behind move.
    void edited(int position, int removed, int added);
};

struct DocumentForm {
    QString text;  // "\n" at paragraph breaks, soft breaks included
    // The paragraphs (counted from 0 in `text`) that continue a line.
    std::vector<int> continuedParagraphs;
    OtherLineEnds otherEnds;  // positions in `text`
};

// `usual`: the kind of break that is not noted.
DocumentForm documentForm(const QString& text, LineEnd usual);

// Marks the continued paragraphs of a form set into `document` with its
// first paragraph at block number `firstBlock`.
void markContinuedParagraphs(QTextDocument* document, int firstBlock, const std::vector<int>& paragraphs);

// The text of the document between positions [from, to): line breaks as
// `ends` gives them (CR LF where it holds nothing), soft breaks left out.
QString textOfDocumentRange(const QTextDocument* document, int from, int to, const OtherLineEnds& ends);

}  // namespace vexrun
