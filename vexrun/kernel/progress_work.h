// A long piece of work a support library hands the window layer: the layer
// runs it on a thread of its own under a small modal progress box (the share
// done, the time left, 取消) and keeps the window drawn until it ends.
#pragma once

#include <chrono>
#include <string>

namespace vexrun {

class ProgressWork {
public:
    // On the work's own thread; returns when the work is done or stopped.
    virtual void run() = 0;
    // From any thread: the share done (0 to 1), and the line the box shows
    // above its bar (UTF-8), which may change as the work goes on.
    virtual double shareDone() const = 0;
    virtual std::string status() const = 0;
    // From the window's thread, once: stop as soon as possible.
    virtual void cancel() = 0;

protected:
    ~ProgressWork() = default;
};

// What the progress box shows besides the work's own line.
struct ProgressBoxTexts {
    std::string caption;  // the box's title (UTF-8)
};

// The button of every progress box (UTF-8).
constexpr const char* kProgressCancelCaption = "取消";

// When the headless driver cancels a box by itself (no user is there to
// press 取消): after so many milliseconds, or once the share done reaches a
// percentage; -1 for never.
struct ProgressCancelPlan {
    int afterMs = -1;
    int atPercent = -1;
};

// What a box showed, for the driver: its caption, its first line, its button
// and how it ended ("done" or "cancelled"); when 取消 was pressed, for the
// driver's timing of how soon the handler then returns.
struct ProgressBoxRecord {
    std::string caption, firstStatus, button, ended;
    std::chrono::steady_clock::time_point cancelledAt{};
};

// Whether a plan cancels the box now.
inline bool planCancels(const ProgressCancelPlan& plan, double seconds, double share) {
    return (plan.afterMs >= 0 && seconds * 1000 >= plan.afterMs) || (plan.atPercent >= 0 && share * 100 >= plan.atPercent);
}

}  // namespace vexrun
