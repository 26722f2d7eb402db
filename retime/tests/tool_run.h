// Running the build's tessaly-retime from the end-to-end tests, the same
// sources on Linux (through the shell) and on Windows (tessaly-retime.exe
// under Wine, through the test process runner the window tests use).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace retimetest {

struct ToolRun {
    int status = -1;  // exit status; -1 when the tool did not end by exiting
    std::string out, err;
};

// A new empty folder for one test, named after `tag`; the test removes it.
std::filesystem::path makeTestFolder(const std::string& tag);

// Runs the tool (TESSALY_RETIME_PATH) in `dir` with `args`, `input` on its
// standard input. `launcher`, when given, starts the tool (Linux only: the
// dynamic loader, say); `env` ("NAME=VALUE") is added to its environment.
ToolRun runTool(const std::filesystem::path& dir, const std::vector<std::string>& args, const std::string& input = "",
                const std::string& launcher = "", const std::vector<std::string>& env = {});

}  // namespace retimetest
