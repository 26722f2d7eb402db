#include "vexrun/synvox/window_sync.h"

#include <utility>

#include "messages/messages.h"
#include "retime/exit_status.h"
#include "retime/film_reference.h"
#include "retime/retime_warnings.h"
#include "vexrun/synvox/sync_messages.h"

namespace synvox {
namespace {

// The film's reading is most of the work; the alignment the rest.
constexpr double kReadingShare = 0.9;

SyncOutcome told(std::string message) { return SyncOutcome{SyncOutcome::Told, std::move(message), std::nullopt}; }

// The boxes as the `window:` line fills them; nothing when a target lies
// below zero (the window's time boxes take none).
std::optional<WindowFill> fillOf(const retime::WindowOptions& window) {
    WindowFill fill;
    fill.segments = window.segments;
    fill.ratio = window.ratio;
    for (const retime::WindowPoint& p : window.points) {
        if (p.target < 0 || p.source < 0) return std::nullopt;
        fill.source[p.row] = retime::standardTimeText(p.source);
        fill.target[p.row] = retime::standardTimeText(p.target);
    }
    for (int32_t row : window.useRatioRows) fill.useRatio[row] = true;
    return fill;
}

}  // namespace

WindowSync::WindowSync(std::string path, std::string subtitle, DropBox box)
    : path_(std::move(path)), subtitle_(std::move(subtitle)), box_(box) {}

std::optional<SyncOutcome> WindowSync::checkFirst() {
    film_ = retime::isFilmReference(path_);
    // A text dropped on the subtitle box is loaded as always.
    if (box_ == DropBox::Subtitle && !film_) return SyncOutcome{};
    std::string error;
    text_.append(subtitle_.data(), subtitle_.size());
    const bool scanned = retime::scanInputText("the subtitle box", text_, cues_, error);
    if (!scanned || cues_.empty()) {
        // A film dropped on a box without a subtitle is refused as before.
        if (box_ == DropBox::Subtitle) return SyncOutcome{};
        return told(scanned ? noSubtitle() : noFrameRate());
    }
    setStatus(readingStatus(path_, film_));
    return std::nullopt;
}

std::string WindowSync::caption() const { return captionText(); }

std::string WindowSync::status() const {
    std::lock_guard<std::mutex> hold(lock_);
    return status_;
}

void WindowSync::setStatus(std::string status) {
    std::lock_guard<std::mutex> hold(lock_);
    status_ = std::move(status);
}

SyncOutcome WindowSync::outcome() const {
    if (cancel_.load()) return SyncOutcome{SyncOutcome::Cancelled, {}, std::nullopt};
    return outcome_;
}

void WindowSync::run() {
    retime::ReferenceOptions options;
    options.reference = path_;
    options.referenceGiven = true;
    options.splits = kWindowSplits;
    options.splitsGiven = true;

    retime::FilmReading reading;
    reading.progress = [this](double share) { share_.store(share * kReadingShare); };
    reading.cancel = &cancel_;
    retime::ReferenceCues ref;
    std::string error;
    const std::string name = referenceName(path_, film_);
    if (retime::readReferenceCues(options, ref, error, &reading) != retime::kExitDone) {
        outcome_ = told(cannotRead(name, messages::shown(error)));
        return;
    }
    if (cancel_.load()) return;
    share_.store(kReadingShare);
    setStatus(aligningStatus());
    outcome_ = aligned(retime::alignInput(options, cues_, ref), ref, options);
    share_.store(1);
}

SyncOutcome WindowSync::aligned(align::Alignment found, const retime::ReferenceCues& ref,
                                const retime::ReferenceOptions& options) {
    const std::string name = referenceName(path_, film_);
    if (!found.matched || !found.sure) {
        // Four pieces may be too few: a sure mapping with more says so.
        if (const auto pieces = retime::piecesWithMoreSplits(options, cues_, ref, found, nullptr);
            pieces && *pieces > static_cast<std::size_t>(kWindowSplits + 1)) {
            return told(needsMorePieces(*pieces, path_));
        }
        return told(found.matched ? unsure(name) : tooLittleInCommon(name, found));
    }
    const double ratio = retime::windowRatio(found);
    const std::optional<retime::WindowOptions> window = retime::reproducingWindow(ratio, found.pieces, cues_);
    std::optional<WindowFill> fill = window ? fillOf(*window) : std::nullopt;
    if (!fill) return told(windowCannot(path_));
    return SyncOutcome{SyncOutcome::Told, filledVerdict(name, found, film_), std::move(fill)};
}

}  // namespace synvox
