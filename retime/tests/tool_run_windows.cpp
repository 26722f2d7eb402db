// tessaly-retime.exe run as a child process with pipes (the window tests'
// runner), started in the test folder.
#include <atomic>

#include "retime/tests/tool_run.h"
#include "vexrun/driver/tests/drive_process.h"

namespace retimetest {

namespace fs = std::filesystem;

fs::path makeTestFolder(const std::string& tag) {
    static std::atomic<unsigned> made{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = fs::temp_directory_path() / ("tessaly-" + tag + "-" +
                                                          std::to_string(drive::testing::processId()) + "-" +
                                                          std::to_string(made++));
        std::error_code ec;
        if (fs::create_directory(dir, ec)) return dir;
    }
    return {};
}

ToolRun runTool(const fs::path& dir, const std::vector<std::string>& args, const std::string& input,
                const std::string&, const std::vector<std::string>& env) {
    const fs::path here = fs::current_path();
    fs::current_path(dir);
    const drive::testing::DriveResult r = drive::testing::runProcess(TESSALY_RETIME_PATH, args, input, env, 120);
    fs::current_path(here);
    return ToolRun{r.started && !r.timedOut ? r.status : -1, r.out, r.err};
}

}  // namespace retimetest
