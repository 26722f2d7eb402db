// What every platform's driver does the same way: load the program image,
// run the script line by line, end with a message. A driver supplies only
// how one line is carried out on its window system and how pending window
// events are handled between lines.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <chrono>
#include <string>
#include <vector>

#include "vexrun/driver/script_line.h"

namespace drive {

// Writes "tessaly-drive: MESSAGE" on standard error (standard output flushed
// first) and ends the process at once with `status`.
[[noreturn]] void stop(int status, const std::string& message);

// The image file (a UTF-8 path) copied into memory below 2 GiB that may be
// written and run, as the kernel library expects it; stops with status 1
// when it cannot be read or placed.
const uint8_t* loadImage(const std::string& path);

class ScriptRun {
public:
    using Clock = std::chrono::steady_clock;

    // `started`: when the driver started, for the --timing report.
    ScriptRun(std::vector<std::string> lines, bool timing, Clock::time_point started)
        : lines_(std::move(lines)), timing_(timing), started_(started) {}
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
