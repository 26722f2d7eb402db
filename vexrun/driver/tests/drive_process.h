// Running the build's tessaly-drive on a script, as the end-to-end tests do
// (the driver's own and the window tests in ui/tests): the script on
// standard input, both outputs and the exit status collected. One interface,
// implemented with POSIX processes (drive_process_posix.cpp) and with Windows
// processes (drive_process_windows.cpp).
#pragma once

#include <string>
#include <vector>

namespace drive::testing {

// The build folder the tests run from (TESSALY_BUILD_DIR, set by ctest).
std::string buildDir();

// This process's id, for names of temporary files that runs in parallel
// must not share.
unsigned long processId();

struct DriveResult {
    bool started = false;  // the program could be started at all
    int status = -1;       // exit status, or -1 when it did not end by exiting
    bool timedOut = false;
    std::string out, err;
    double seconds = 0;            // from start to exit
    double lastOutputSeconds = 0;  // when the last byte of standard output arrived
};

// Runs `program` with `args`, `input` on its standard input and the extra
// environment entries NAME=VALUE (each replacing an inherited entry of the
// same name), killing it after `timeoutSeconds`. Standard input gets the
// whole of `input` and is then closed.
DriveResult runProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                       const std::vector<std::string>& env, double timeoutSeconds);

// The build's driver (bin/tessaly-drive, on Windows with the Linux build's
// tessaly.img unless `args` names an image) on `script`.
DriveResult runDrive(const std::string& script, const std::vector<std::string>& env = {}, double timeoutSeconds = 60,
                     const std::vector<std::string>& args = {});

// The text cut at LF; a last line without LF counts as a line.
std::vector<std::string> lines(const std::string& s);

}  // namespace drive::testing
