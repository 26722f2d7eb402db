// The tool run through the shell, its streams through files of the test
// folder.
#include <stdlib.h>
#include <sys/wait.h>

#include "engine/tests/test_files.h"
#include "retime/tests/tool_run.h"

namespace retimetest {

namespace fs = std::filesystem;
using testfiles::quoted;
using testfiles::readFile;
using testfiles::writeFile;

fs::path makeTestFolder(const std::string& tag) {
    std::string name = "/tmp/tessaly-" + tag + "-XXXXXX";
    return ::mkdtemp(name.data()) ? fs::path(name) : fs::path();
}

ToolRun runTool(const fs::path& dir, const std::vector<std::string>& args, const std::string& input,
                const std::string& launcher, const std::vector<std::string>& env) {
    writeFile(dir / ".stdin", input);
    std::string cmd = "cd " + quoted(dir.string()) + " && ";
    if (!env.empty()) {
        cmd += "env";
        for (const auto& e : env) cmd += " " + quoted(e);
        cmd += " ";
    }
    cmd += (launcher.empty() ? "" : quoted(launcher) + " ") + quoted(TESSALY_RETIME_PATH);
    for (const auto& a : args) cmd += " " + quoted(a);
    cmd += " <.stdin >.stdout 2>.stderr";
    const int raw = std::system(cmd.c_str());
    ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / ".stdout"), readFile(dir / ".stderr")};
    fs::remove(dir / ".stdin");
    fs::remove(dir / ".stdout");
    fs::remove(dir / ".stderr");
    return r;
}

}  // namespace retimetest
