// The progress bar of tessaly-retime.
#include "retime/film_progress.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>

#include "retime/messages.h"

namespace retime {

namespace {

constexpr int kBarWidth = 30;
// Before this share is done the time left is too uncertain to show.
constexpr double kLeastShareForEstimate = 0.02;

// Whether `to` is a terminal the bar can be drawn on: on Windows a console
// (a redirection to NUL is a character device too, but no console).
bool isTerminal(std::FILE* to) {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(to))), &mode) != 0;
#else
    return ::isatty(::fileno(to)) == 1;
#endif
}

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
    : to_(to), what_(std::move(what)), terminal_(isTerminal(to)),
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
    if (shown_ && bar == drawn_) return;
    // Blanks over what a longer bar before left (plain text: a Windows
    // console without escape sequences shows it as well).
    const std::string padding(drawn_.size() > bar.size() ? drawn_.size() - bar.size() : 0, ' ');
    drawn_ = bar;
    std::fputs((bar + padding).c_str(), to_);
    std::fflush(to_);
    shown_ = true;
}

void ProgressBar::clear() {
    if (!shown_) return;
    std::fputs(("\r" + std::string(drawn_.size(), ' ') + "\r").c_str(), to_);
    std::fflush(to_);
    shown_ = false;
    drawn_.clear();
}

}  // namespace retime
