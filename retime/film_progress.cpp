// The progress bar of tessaly-retime.
#include "retime/film_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "retime/messages.h"

namespace retime {

namespace {

constexpr int kBarWidth = 30;
// Before this share is done the time left is too uncertain to show.
constexpr double kLeastShareForEstimate = 0.02;

}  // namespace

std::string durationText(double seconds) {
    const auto s = static_cast<long>(std::lround(std::max(0.0, seconds)));
    char buffer[32];
    if (s >= 3600) {
        std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
    }
    return buffer;
}

ProgressBar::ProgressBar(std::FILE* to, std::string what)
    : to_(to), what_(std::move(what)), terminal_(::isatty(::fileno(to)) == 1),
      started_(std::chrono::steady_clock::now()) {}

void ProgressBar::update(double share) {
    if (!terminal_) return;
    share = std::clamp(share, 0.0, 1.0);
    const int filled = static_cast<int>(share * kBarWidth);
    std::string bar = "\r" + what_ + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] ";
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100));
    bar += percent;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (share >= kLeastShareForEstimate) {
        bar += "  " + fillPattern(tr("%s left"), {durationText(elapsed * (1 - share) / share)});
    }
    bar += "\033[K";  // the rest of the line cleared
    if (shown_ && bar == drawn_) return;
    drawn_ = bar;
    std::fputs(bar.c_str(), to_);
    std::fflush(to_);
    shown_ = true;
}

void ProgressBar::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", to_);
    std::fflush(to_);
    shown_ = false;
}

}  // namespace retime
