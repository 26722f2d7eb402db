// The `window:` line of tessaly-retime --reference typed into the window's
// boxes (through the headless driver) gives the same output byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tests/test_files.h"

namespace {

using testfiles::readFile;

namespace fs = std::filesystem;

int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The driver lines that type the options of a `window:` line into the boxes:
// the mode, the custom ratio, the use-ratio boxes of rows 1 to 4 and each
// row's source and target box (segment-start alignment is the default).
std::string typedOptions(const std::string& windowLine) {
    std::istringstream in(windowLine);
    std::string script;
    for (std::string word, value; in >> word;) {
        if (word == "window:" || word == "--align") {
            if (word == "--align") in >> value;
            continue;
        }
        in >> value;
        if (word == "--segments") {
            script += std::string("click ") + (value == "1" ? "选择框1" : value == "2" ? "选择框2" : "选择框3") + "\n";
        } else if (word == "--ratio") {
            script += "set 编辑框8 " + value + "\n";
        } else if (word == "--use-ratio") {
            script += "click 选择框" + std::to_string(4 + std::stoi(value)) + "\n";
        } else if (word == "--point") {
            const int row = value[0] - '0';
            const std::size_t at = value.find('@');
            script += "set 编辑框" + std::to_string(2 + row) + " " + value.substr(2, at - 2) + "\n";
            script += "set 掩码编辑框" + std::to_string(1 + row) + " " + value.substr(at + 1) + "\n";
        }
    }
    return script;
}

TEST(AlignWindowLine, TypedIntoTheWindowItGivesTheSameOutput) {
    char name[] = "/tmp/tessaly-window-line-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const fs::path dir = name;
    const std::string data = TESSALY_ALIGN_DATA;
    ASSERT_EQ(shell(std::string("'") + TESSALY_RETIME_PATH + "' --reference '" + data + "/sintel-en.srt' '" + data +
                    "/sintel-zh-old.srt' '" + (dir / "tool.srt").string() + "' 2>'" + (dir / "report").string() + "'"),
              0);
    const std::string report = readFile(dir / "report");
    const std::size_t at = report.find("window: --");
    ASSERT_NE(at, std::string::npos) << report;

    std::ofstream(dir / "script") << "drop " << data << "/sintel-zh-old.srt\n"
                                  << typedOptions(report.substr(at, report.find('\n', at) - at)) << "click 按钮1\n"
                                  << "save 编辑框7 " << (dir / "window.srt").string() << "\n";
    ASSERT_EQ(shell(std::string("'") + TESSALY_DRIVE_PATH + "' <'" + (dir / "script").string() + "' >/dev/null 2>&1"),
              0);
    EXPECT_EQ(readFile(dir / "window.srt"), readFile(dir / "tool.srt"));
    fs::remove_all(dir);
}

}  // namespace
