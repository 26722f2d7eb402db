// The real launcher, copied into temporary folders with stand-in kernel
// libraries beside it or in a recorded installation directory under a
// temporary home: the search cases of launcher_cases.cpp, and what only Linux
// has (a record that would block, the dialog helper).
//
// A stand-in prints "<marker> loaded <path as the launcher named it>",
// "<marker> hook <argument>" and "<marker> entry image=<address> bytes=<first
// four>" on standard output, and "<marker> unloaded" on standard error when
// it is released (or when the process ends).

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launcher/tests/elf_file.h"
#include "launcher/tests/launcher_cases.h"
#include "launcher/tests/process_runner.h"
#include "launcher/tests/temp_tree.h"

namespace fs = std::filesystem;

namespace launcher_test {
namespace {

const std::string kMessage = "Error: Not found the kernel library or the kernel library is invalid!\n";

fs::path homeOf(const TempTree& tree) { return tree.root() / "home"; }

// The launcher with only HOME, PATH and `extraEnv`; the message is the last
// text on standard error, which never shows the paths of the test.
Outcome startWith(const TempTree& tree, const fs::path& exe, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env = {"HOME=" + homeOf(tree).string(), "PATH=/usr/bin:/bin"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    const RunResult result = runProgram({exe.string()}, env);
    EXPECT_FALSE(result.timedOut) << "the launcher did not end";
    EXPECT_EQ(result.signal, 0) << "the launcher was killed by a signal";
    EXPECT_EQ(result.err.find(tree.root().string()), std::string::npos) << result.err;
    Outcome outcome;
    outcome.exitCode = result.exitStatus == 255 ? -1 : result.exitStatus;
    outcome.out = result.out;
    outcome.errBeforeMessage = result.err;
    const size_t message = result.err.size() >= kMessage.size() ? result.err.size() - kMessage.size() : 0;
    if (result.err.compare(message, std::string::npos, kMessage) == 0) {
        outcome.messageShown = true;
        outcome.errBeforeMessage.resize(message);
    }
    return outcome;
}

}  // namespace

// ---- What the shared cases need of Linux ----

fs::path placeLauncher(const fs::path& dir) {
    const fs::path exe = dir / "tessaly";
    copyFile(LAUNCHER_EXE, exe);
    return exe;
}

void placeLibrary(const fs::path& from, const fs::path& to) { copyFile(from, to); }

void writeRecord(const TempTree& tree, const std::string& directory) {
    writeFile(homeOf(tree) / ".config/Norvex/Ovra/Install", "Path=" + directory + "\n");
}

// The record lives in the test's own temporary home.
void forgetRecord() {}

Outcome start(const TempTree& tree, const fs::path& exe) { return startWith(tree, exe, {}); }

namespace {

class LauncherRun : public ::testing::Test {
protected:
    fs::path root() const { return tree_.root(); }
    fs::path home() const { return homeOf(tree_); }

    void writeRecord(const std::string& content) const {
        writeFile(home() / ".config/Norvex/Ovra/Install", content);
    }

    Outcome run(const fs::path& exe, const std::vector<std::string>& extraEnv = {}) const {
        return startWith(tree_, exe, extraEnv);
    }

    TempTree tree_;
};

// A record that would block: a launcher that opened it would hang and be
// killed, so the library beside the executable must be found first.
TEST_F(LauncherRun, LocalLibraryMeansTheRecordIsNeverOpened) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");
    tree_.dir("home/.config/Norvex/Ovra");
    ASSERT_EQ(mkfifo((home() / ".config/Norvex/Ovra/Install").c_str(), 0600), 0);

    expectRan(run(exe), "local", app / "vexrun.vxr");
}

TEST_F(LauncherRun, RuntimeEntryGetsTheImageAddressAndItsReturnEndsWithZero) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");

    const Outcome outcome = run(exe);
    expectRan(outcome, "local", app / "vexrun.vxr");
    const ElfFile elf(exe);
    ASSERT_EQ(elf.error(), "");
    const auto image = elf.symbol("tessaly_image");
    ASSERT_TRUE(image.has_value());
    char address[32];
    snprintf(address, sizeof address, "image=%#llx ", static_cast<unsigned long long>(image->value));
    EXPECT_NE(outcome.out.find(address), std::string::npos) << outcome.out;
}

TEST_F(LauncherRun, RecordWithoutAPathLineFails) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    for (const char* record : {"", "Version=1\n"}) {
        writeRecord(record);
        SCOPED_TRACE(record);
        expectFailure(run(exe));
    }
}

// --- The dialog --------------------------------------------------------------

class FailureDialog : public LauncherRun {
protected:
    void SetUp() override {
        const fs::path app = tree_.dir("app");
        exe_ = placeLauncher(app);
        log_ = root() / "dialog.log";
        // A dialog helper that takes its time and then notes what it was asked
        // to show: the launcher must wait for it.
        writeFile(app / "tessaly-error-dialog",
                  "#!/bin/sh\nsleep 0.2\nprintf '%s|%s\\n' \"$1\" \"$2\" >> '" + log_.string() + "'\n");
        fs::permissions(app / "tessaly-error-dialog", fs::perms::owner_all);
    }
    fs::path exe_, log_;
};

TEST_F(FailureDialog, ShownWhenADisplayIsAvailable) {
    for (const char* display : {"DISPLAY=:97", "WAYLAND_DISPLAY=wayland-97"}) {
        SCOPED_TRACE(display);
        fs::remove(log_);
        expectFailure(run(exe_, {std::string(display)}));
        EXPECT_EQ(readFile(log_),
                  "Error|Not found the kernel library or the kernel library is invalid!\n");
    }
}

TEST_F(FailureDialog, NotShownWithoutADisplay) {
    for (const std::vector<std::string>& env : std::vector<std::vector<std::string>>{
             {}, {"DISPLAY="}, {"DISPLAY=:97", "QT_QPA_PLATFORM=offscreen"}}) {
        expectFailure(run(exe_, env));
        EXPECT_FALSE(fs::exists(log_));
    }
}

}  // namespace
}  // namespace launcher_test
