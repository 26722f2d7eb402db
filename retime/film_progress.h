// Progress of a long piece of work on standard error: where standard error is
// a terminal, a bar with the share done and the time left, redrawn in place;
// elsewhere nothing until the one summary line the caller prints.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace retime {

class ProgressBar {
public:
    // `what` names the work in front of the bar ("reading film.mkv").
    ProgressBar(std::FILE* to, std::string what);
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // The share done, 0 to 1.
    void update(double share);
    // Takes the bar off the line (before a message or the summary).
    void clear();
    bool onTerminal() const { return terminal_; }

private:
    std::FILE* to_;
    std::string what_;
    bool terminal_;
    bool shown_ = false;
    std::string drawn_;  // the bar last drawn: redrawn only when it changes
    std::chrono::steady_clock::time_point started_;
};

// "1:05" or "1:02:03" for times left.
std::string durationText(double seconds);

}  // namespace retime
