#include "vexrun/kernel/qt/document_form.h"

#include <algorithm>

#include <QTextBlock>
#include <QTextDocument>

namespace vexrun {
namespace {

// Where a run of a long line is cut: after the last blank in the second half
// of its longest run, else at the longest run, never inside a surrogate pair.
qsizetype cutOf(const QChar* run, qsizetype length) {
    if (length <= kLongestShownRun) return length;
    for (qsizetype i = kLongestShownRun; i > kLongestShownRun / 2; --i) {
        if (run[i - 1] == QChar(u' ')) return i;
    }
    qsizetype cut = kLongestShownRun;
    if (run[cut - 1].isHighSurrogate()) --cut;
    return cut;
}

}  // namespace

LineEnd OtherLineEnds::at(int position) const {
    auto it = std::lower_bound(positions.begin(), positions.end(), position);
    if (it == positions.end() || *it != position) return usual;
    return ends[size_t(it - positions.begin())];
}

void OtherLineEnds::edited(int position, int removed, int added) {
    auto first = std::lower_bound(positions.begin(), positions.end(), position);
    auto last = std::lower_bound(first, positions.end(), position + removed);
    const size_t from = size_t(first - positions.begin());
    ends.erase(ends.begin() + ptrdiff_t(from), ends.begin() + (last - positions.begin()));
    auto behind = positions.erase(first, last);
    for (; behind != positions.end(); ++behind) *behind += added - removed;
}

DocumentForm documentForm(const QString& text, LineEnd usual) {
    DocumentForm form;
    form.otherEnds.usual = usual;
    form.text.reserve(text.size() + text.size() / kLongestShownRun + 1);
    const QChar* in = text.constData();
    const QChar* end = in + text.size();
    int paragraph = 0;
    int linesInParagraph = 0;
    while (in < end) {
        // One line: its characters up to the break.
        const QChar* lineEnd = in;
        while (lineEnd < end && *lineEnd != QChar(u'\r') && *lineEnd != QChar(u'\n')) ++lineEnd;
        while (lineEnd - in > kLongestShownRun) {
            const qsizetype cut = cutOf(in, lineEnd - in);
            form.text.append(in, cut);
            form.text.append(QChar(u'\n'));
            form.continuedParagraphs.push_back(++paragraph);
            linesInParagraph = 0;
            in += cut;
        }
        form.text.append(in, lineEnd - in);
        in = lineEnd;
        if (in == end) break;
        LineEnd kind = LineEnd::CrLf;
        if (*in == QChar(u'\r')) {
            if (in + 1 < end && in[1] == QChar(u'\n')) {
                ++in;
            } else {
                kind = LineEnd::Cr;
            }
        } else {
            kind = LineEnd::Lf;
        }
        ++in;
        if (kind != usual) {
            form.otherEnds.positions.push_back(int(form.text.size()));
            form.otherEnds.ends.push_back(kind);
        }
        if (++linesInParagraph == kLinesPerParagraph) {
            form.text.append(QChar(u'\n'));
            ++paragraph;
            linesInParagraph = 0;
        } else {
            form.text.append(QChar(QChar::LineSeparator));
        }
    }
    return form;
}

void markContinuedParagraphs(QTextDocument* document, int firstBlock, const std::vector<int>& paragraphs) {
    if (paragraphs.empty()) return;
    // Walking the blocks once is linear; finding each by number would not be.
    QTextBlock block = document->findBlockByNumber(firstBlock);
    int number = firstBlock;
    for (int p : paragraphs) {
        while (block.isValid() && number < firstBlock + p) {
            block = block.next();
            ++number;
        }
        if (!block.isValid()) return;
        block.setUserState(kContinuedLine);
    }
}

QString textOfDocumentRange(const QTextDocument* document, int from, int to, const OtherLineEnds& ends) {
    QString out;
    if (to <= from) return out;
    out.reserve(to - from + (to - from) / 16);
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const QString text = block.text();
        const int start = block.position();
        const int first = std::max(from, start) - start;
        const int last = std::min(to, start + int(text.size())) - start;  // exclusive
        int run = first;
        for (int i = first; i < last; ++i) {
            if (text.at(i) != QChar(QChar::LineSeparator)) continue;
            out.append(text.constData() + run, i - run);
            out += QString::fromUtf16(lineEndText(ends.at(start + i)));
            run = i + 1;
        }
        if (last > run) out.append(text.constData() + run, last - run);
        // The paragraph break after this block, when it lies in the range.
        const int breakAt = start + int(text.size());
        if (breakAt >= from && breakAt < to) {
            const QTextBlock next = block.next();
            if (next.isValid() && next.userState() != kContinuedLine) {
                out += QString::fromUtf16(lineEndText(ends.at(breakAt)));
            }
        }
    }
    return out;
}

}  // namespace vexrun
