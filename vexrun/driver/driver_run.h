// What every platform's driver does the same way: read its options and the
// script, load the program image and the kernel library, run the script line
// by line, end with a message. A driver supplies only how one line is carried
// out on its window system and how pending window events are handled between
// lines.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <chrono>
#include <string>
#include <vector>

#include "runtime/vexrun_interface.h"
#include "vexrun/driver/script_line.h"
#include "vexrun/kernel/progress_work.h"

namespace drive {

using Clock = std::chrono::steady_clock;

// Writes "tessaly-drive: MESSAGE" on standard error (standard output flushed
// first) and ends the process at once with `status`.
[[noreturn]] void stop(int status, const std::string& message);

// A driver ready to start the program.
struct Prepared {
    Clock::time_point started;  // for the --timing report
    bool timing = false;
    std::string startFile;  // --open: the program starts with it, as `tessaly FILE`
    std::vector<std::string> lines;  // the script
    const uint8_t* image = nullptr;  // in memory below 2 GiB that may be written and run
    vx::RuntimeEntry entry = nullptr;
    void* driverAccess = nullptr;  // the kernel library's window-layer export, of the platform's type
};

// Reads the options (`arguments` after the program's name, UTF-8) and the
// script from standard input, loads the image (by default tessaly.img in the
// parent of the driver's folder) and the kernel library vexrun.vxr beside the
// driver, whose window layer is the export `accessExport`. --help prints the
// usage and ends with 0; an unknown option stops with status 2, an image or
// library that cannot be loaded with status 1.
Prepared prepare(const std::vector<std::string>& arguments, const char* accessExport);

class ScriptRun {
public:
    // Takes the script from `prepared`.
    explicit ScriptRun(Prepared& prepared)
        : lines_(std::move(prepared.lines)), timing_(prepared.timing), started_(prepared.started) {}
    virtual ~ScriptRun() = default;

    // Runs the lines in order on the window's thread, once the window is up.
    // True when the script ran to its end (the driver then ends the message
    // loop), false when a line ended it (the window is closing or the loop
    // ends). A line that cannot be read stops the driver with status 2.
    bool run();

protected:
    // Carries out one line; false when the script ends with it.
    virtual bool perform(const ScriptLine& line) = 0;
    // Lets the window handle what the last action set going.
    virtual void settle() = 0;

    // With --timing: how long after 取消 a cancelled box's handler had
    // returned (reported by the `progress` line that follows it).
    void reportCancel(const vexrun::ProgressBoxRecord& box) const;

    // A line that asks for what cannot be: status 2, the line quoted.
    [[noreturn]] void fail(const std::string& what) const;
    // An action that could not be carried out: status 1.
    [[noreturn]] void cannot(const std::string& what) const;

private:
    std::vector<std::string> lines_;
    bool timing_;
    Clock::time_point started_;
    size_t lineNumber_ = 0;
};

}  // namespace drive
