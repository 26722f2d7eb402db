// `cmake --install` into a temporary prefix: the pieces where they find each
// other, the desktop entry and its icon, the version readable without
// starting the tool, the record that lets a copy of the executable find the
// installed kernel library, and a manifest that lets every piece be removed.

#include <elf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "launcher/tests/elf_file.h"
#include "launcher/tests/process_runner.h"
#include "launcher/tests/temp_tree.h"

namespace fs = std::filesystem;
using launcher_test::readFile;
using launcher_test::RunResult;

namespace {

const std::string kMessage = "Error: Not found the kernel library or the kernel library is invalid!\n";

bool isExecutableFile(const fs::path& file) {
    return fs::is_regular_file(file) && access(file.c_str(), X_OK) == 0;
}

// The keys of the [Desktop Entry] group.
std::map<std::string, std::string> desktopEntry(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(readFile(file));
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
        } else if (inGroup && line.find('=') != std::string::npos) {
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    return keys;
}

// The program of an Exec value: the value's own escapes (\\ and %%) undone,
// then one argument, quoted or not.
std::string execProgram(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if ((value[i] == '\\' || value[i] == '%') && i + 1 < value.size() && value[i + 1] == value[i]) ++i;
        unescaped += value[i];
    }
    if (unescaped.empty() || unescaped[0] != '"') return unescaped.substr(0, unescaped.find(' '));
    std::string program;
    for (size_t i = 1; i < unescaped.size() && unescaped[i] != '"'; ++i) {
        if (unescaped[i] == '\\' && i + 1 < unescaped.size()) ++i;
        program += unescaped[i];
    }
    return program;
}

uint32_t bigEndian(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3]));
}

class Installed : public ::testing::Test {
protected:
    // One install for all cases; the prefix holds a space, which the desktop
    // entry must quote.
    static void SetUpTestSuite() {
        tree_ = new launcher_test::TempTree;
        prefix_ = tree_->root() / "pre fix";
        const RunResult install = launcher_test::runProgram(
            {CMAKE_COMMAND_PATH, "--install", BUILD_DIR, "--prefix", prefix_.string()},
            {"PATH=/usr/bin:/bin", "HOME=" + tree_->root().string()}, std::chrono::minutes(2));
        installStatus_ = install.exitStatus;
        installLog_ = install.out + install.err;
    }
    static void TearDownTestSuite() {
        delete tree_;
        tree_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(installStatus_, 0) << installLog_; }

    static fs::path lib() { return prefix_ / "lib/tessaly"; }

    RunResult run(const fs::path& exe, const fs::path& home) const {
        const RunResult result =
            launcher_test::runProgram({exe.string()}, {"HOME=" + home.string(), "PATH=/usr/bin:/bin"});
        EXPECT_FALSE(result.timedOut);
        return result;
    }

    // Runs the real tool headless until the kernel library has shown the
    // main window (it saves a picture of it then), and ends it there.
    RunResult runUntilShown(const fs::path& exe, const fs::path& home) const {
        const fs::path shot = home / "window.png";
        const RunResult result = launcher_test::runProgram(
            {exe.string()},
            {"HOME=" + home.string(), "PATH=/usr/bin:/bin", "QT_QPA_PLATFORM=offscreen",
             "XDG_RUNTIME_DIR=" + home.string(), "VEXRUN_SCREENSHOT=" + shot.string()},
            std::chrono::seconds(60), shot.string());
        EXPECT_TRUE(result.stoppedAtFile) << "the main window was not shown: " << result.err;
        return result;
    }

    static launcher_test::TempTree* tree_;
    static fs::path prefix_;
    static int installStatus_;
    static std::string installLog_;
};

launcher_test::TempTree* Installed::tree_ = nullptr;
fs::path Installed::prefix_;
int Installed::installStatus_ = -1;
std::string Installed::installLog_;

TEST_F(Installed, PiecesLieWhereTheyFindEachOther) {
    EXPECT_TRUE(isExecutableFile(lib() / "tessaly"));
    EXPECT_TRUE(isExecutableFile(lib() / "tessaly-error-dialog"));
    EXPECT_TRUE(isExecutableFile(prefix_ / "bin/tessaly-retime"));
    ASSERT_TRUE(fs::is_symlink(prefix_ / "bin/tessaly"));
    EXPECT_EQ(fs::canonical(prefix_ / "bin/tessaly"), fs::canonical(lib() / "tessaly"));
    // Every library once: the recorded installation directory is lib/tessaly
    // itself, its vexrun.vxe a link to vexrun.vxr.
    EXPECT_FALSE(fs::exists(lib() / "runtime"));
    if (INSTALL_HAS_KERNEL) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lib() / "vexrun.vxr")));
        ASSERT_TRUE(fs::is_symlink(lib() / "vexrun.vxe"));
        EXPECT_EQ(fs::read_symlink(lib() / "vexrun.vxe"), "vexrun.vxr");
        for (const char* name : {"plintor", "dravolt", "ulmix", "stylon", "Ravline"}) {
            EXPECT_TRUE(fs::is_regular_file(lib() / (std::string(name) + ".vxl"))) << name;
        }
    }
}

TEST_F(Installed, DesktopEntryStartsTheInstalledTool) {
    auto keys = desktopEntry(prefix_ / "share/applications/tessaly.desktop");
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], "Tessaly");
    EXPECT_EQ(keys["Icon"], "tessaly");
    EXPECT_EQ(keys["Categories"], "AudioVideo;Video;");
    EXPECT_EQ(keys["X-Tessaly-Version"], "1.0.0.0");
    EXPECT_FALSE(keys["Comment"].empty());
    const std::string exec = keys["Exec"];
    EXPECT_EQ(exec.front(), '"') << "a path with a space is quoted: " << exec;
    // A subtitle opened with Tessaly comes as its argument.
    EXPECT_EQ(exec.substr(exec.size() - 3), " %f");
    EXPECT_NE(keys["MimeType"].find("application/x-subrip;"), std::string::npos);
    const fs::path program = execProgram(exec);
    EXPECT_EQ(program, prefix_ / "bin/tessaly");
    EXPECT_TRUE(isExecutableFile(program));

    // The version is readable without starting the tool.
    const launcher_test::ElfFile elf(fs::canonical(program));
    ASSERT_EQ(elf.error(), "");
    const launcher_test::ElfSection* note = elf.section(".note.package");
    ASSERT_NE(note, nullptr);
    const std::vector<uint8_t> bytes = elf.bytes(*note);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\"version\":\"1.0.0.0\""), std::string::npos);

    // Started by that command, the tool runs the launcher beside the
    // installed kernel library.
    const fs::path home = tree_->dir("exec-home");
    if (INSTALL_HAS_KERNEL) {
        const RunResult result = runUntilShown(program, home);
        EXPECT_NE(result.maps.find((lib() / "vexrun.vxr").string()), std::string::npos) << result.maps;
    } else {
        const RunResult result = run(program, home);
        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(result.err, kMessage);
    }
}

TEST_F(Installed, IconIsA48By48ColourPng) {
    const std::string png = readFile(prefix_ / "share/icons/hicolor/48x48/apps/tessaly.png");
    ASSERT_GE(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian(png, 16), 48u);
    EXPECT_EQ(bigEndian(png, 20), 48u);
    EXPECT_EQ(png[24], 8);  // bits per channel
    EXPECT_EQ(png[25], 6);  // RGBA: 32-bit colour
}

TEST_F(Installed, RecordLetsACopyFindTheInstalledLibrary) {
    EXPECT_EQ(readFile(prefix_ / "share/tessaly/Install"), "Path=" + lib().string() + "/\n");
    const fs::path home = tree_->dir("record-home");
    launcher_test::copyFile(prefix_ / "share/tessaly/Install", home / ".config/Norvex/Ovra/Install");
    const fs::path exe = tree_->dir("elsewhere") / "tessaly";
    launcher_test::copyFile(lib() / "tessaly", exe);
    ASSERT_FALSE(fs::exists(exe.parent_path() / "vexrun.vxr"));

    if (INSTALL_HAS_KERNEL) {
        // Loaded through the link vexrun.vxe; the support libraries come from
        // beside the file it names.
        const RunResult result = runUntilShown(exe, home);
        EXPECT_NE(result.maps.find((lib() / "vexrun.vxr").string()), std::string::npos) << result.maps;
        EXPECT_NE(result.maps.find((lib() / "plintor.vxl").string()), std::string::npos) << result.maps;
    } else {
        // No kernel library was built: a stand-in takes its installed place.
        launcher_test::copyFile(STAND_IN_INSTALLED, lib() / "vexrun.vxe");
        const RunResult result = run(exe, home);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out.rfind("installed loaded " + (lib() / "vexrun.vxe").string() + "\n", 0), 0u)
            << result.out;
        fs::remove(lib() / "vexrun.vxe");
    }
}

// A packager or an uninstaller removes what the manifest lists: that must be
// everything. An install of its own, so the other cases keep theirs.
TEST(InstallManifest, RemovingEveryListedPathLeavesNothing) {
    launcher_test::TempTree tree;
    const fs::path prefix = tree.root() / "prefix";
    const RunResult install = launcher_test::runProgram(
        {CMAKE_COMMAND_PATH, "--install", BUILD_DIR, "--prefix", prefix.string()},
        {"PATH=/usr/bin:/bin", "HOME=" + tree.root().string()}, std::chrono::minutes(2));
    ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;

    std::istringstream manifest(readFile(fs::path(BUILD_DIR) / "install_manifest.txt"));
    std::set<fs::path> listed;
    for (std::string line; std::getline(manifest, line);) {
        if (!line.empty()) listed.insert(line);
    }
    for (const char* piece : {"bin/tessaly", "bin/tessaly-retime", "share/applications/tessaly.desktop",
                              "share/tessaly/Install", "share/icons/hicolor/48x48/apps/tessaly.png",
                              "lib/tessaly/tessaly"}) {
        EXPECT_TRUE(listed.count(prefix / piece)) << piece << " is not in the manifest";
    }
    for (const fs::path& path : listed) {
        EXPECT_EQ(path.string().rfind(prefix.string() + "/", 0), 0u) << path << " lies outside the prefix";
        EXPECT_TRUE(fs::is_symlink(path) || fs::is_regular_file(path)) << path << " is listed but not installed";
        fs::remove(path);
    }
    for (const auto& entry : fs::recursive_directory_iterator(prefix)) {
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(entry.path())))
            << entry.path() << " is left behind";
    }
}

}  // namespace
