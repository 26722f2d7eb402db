#include "retime/anchor_pins.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

#include "retime/messages.h"
#include "retime/retime_warnings.h"

namespace retime {
namespace {

// The shift that maps `source` to exactly `target` with `ratio`.
int32_t pinnedShift(int32_t source, int32_t target, double ratio) {
    int64_t shift = target - align::mapTime(source, ratio, 0);
    for (int i = 0; i < 3 && align::mapTime(source, ratio, shift) != target; ++i) {
        shift += target - align::mapTime(source, ratio, shift);
    }
    return static_cast<int32_t>(shift);
}

}  // namespace

PinResult pinAnchors(std::vector<align::Piece>& pieces, double ratio, std::span<const align::Cue> cues,
                     std::vector<Anchor> anchors) {
    PinResult result;
    std::sort(anchors.begin(), anchors.end(), [](const Anchor& a, const Anchor& b) { return a.source < b.source; });
    const std::vector<align::Piece> evidence = pieces;
    std::vector<int32_t> starts;
    for (const align::Cue& c : cues) starts.push_back(c.start);
    std::sort(starts.begin(), starts.end());

    std::optional<Anchor> previous;
    std::optional<std::size_t> previousPiece;
    for (const Anchor& a : anchors) {
        std::size_t p = align::pieceFor(pieces, a.source);
        const int32_t shift = pinnedShift(a.source, a.target, ratio);
        if (previousPiece == p && pieces[p].shift != shift) {
            // The earlier pin holds this piece: a new one from the cue after it
            // that starts nearest the middle between the two (or from this
            // pin's own moment when no cue starts between them).
            const int64_t middle = (static_cast<int64_t>(previous->source) + a.source) / 2;
            int32_t from = a.source;
            for (auto c = std::upper_bound(starts.begin(), starts.end(), previous->source);
                 c != starts.end() && *c <= a.source; ++c) {
                if (std::llabs(*c - middle) < std::llabs(from - middle)) from = *c;
            }
            pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(p) + 1, align::Piece{from, shift});
            ++p;
            result.changed = true;
        }
        if (pieces[p].shift != shift) result.changed = true;
        pieces[p].shift = shift;

        const int64_t found = align::mapTime(a.source, ratio, evidence[align::pieceFor(evidence, a.source)].shift);
        const int64_t off = std::llabs(found - a.target);
        const std::string anchor = standardTimeText(a.source) + "@" + standardTimeText(a.target);
        std::string line;
        if (off > kAnchorSlackMs) {
            line = say("anchor %s: contradicts REF, whose evidence puts it at %s (%s ms away); pinned as given",
                       {anchor, standardTimeText(static_cast<int32_t>(found)), std::to_string(off)});
            result.contradicting.push_back(line);
        } else {
            line = say("anchor %s: pinned (REF's evidence puts it %s ms away)", {anchor, std::to_string(off)});
        }
        result.lines.push_back(line);
        previous = a;
        previousPiece = p;
    }
    return result;
}

}  // namespace retime
