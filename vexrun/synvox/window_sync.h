// The window's automatic sync: the subtitle box's text aligned to the new
// release (a film's speech, or a subtitle that fits it) exactly as
// `tessaly-retime --reference REF --splits 3` aligns it, and what the window's
// boxes must then hold, as the `window:` line says. The reading and the
// alignment run as a ProgressWork on a thread of their own.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "align/aligner.h"
#include "retime/byte_buffer.h"
#include "retime/reference_retime.h"
#include "vexrun/kernel/progress_work.h"

namespace synvox {

// The window has four segments: at most three splits.
constexpr int kWindowSplits = 3;

// Where the file was dropped.
enum class DropBox { Subtitle = 1, Output = 2 };

// What the window's boxes get: the mode (1, 2 or 4 segments), the custom
// ratio, per row 0/4 to 4/4 the source and target time ("" for a row the mode
// does not read) and whether the row's segment ratio box is ticked.
struct WindowFill {
    int segments = 0;
    std::string ratio;
    std::string source[5], target[5];
    bool useRatio[5] = {};
};

// The outcome: nothing for the library (the box's drop goes on as before),
// cancelled (nothing changes), or a message (UTF-8), with the boxes to fill
// when the alignment is sure and the window can express it.
struct SyncOutcome {
    enum Kind { NotForUs, Cancelled, Told } kind = NotForUs;
    std::string message;
    std::optional<WindowFill> fill;
};

class WindowSync final : public vexrun::ProgressWork {
public:
    // The reference at `path`; the subtitle box's text as the program holds it.
    WindowSync(std::string path, std::string subtitle, DropBox box);

    // On the window's thread, before any work: what can be told at once (a
    // text dropped on the subtitle box, a subtitle box without a subtitle or
    // without a MicroDVD frame rate). nullopt: the work has to run.
    std::optional<SyncOutcome> checkFirst();
    // The box's caption.
    std::string caption() const;

    void run() override;
    double shareDone() const override { return share_.load(); }
    std::string status() const override;
    void cancel() override { cancel_.store(true); }

    // After run(), or after a cancelled run.
    SyncOutcome outcome() const;

private:
    void setStatus(std::string status);
    SyncOutcome aligned(align::Alignment found, const retime::ReferenceCues& ref,
                        const retime::ReferenceOptions& options);

    std::string path_, subtitle_;
    DropBox box_;
    bool film_ = false;
    std::vector<align::Cue> cues_;
    retime::ByteBuffer text_;
    std::atomic<double> share_{0};
    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_;
    std::string status_;
    SyncOutcome outcome_;
};

}  // namespace synvox
