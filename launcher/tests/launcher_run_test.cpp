// The real launcher, copied into temporary folders with stand-in kernel
// libraries beside it or in a recorded installation directory under a
// temporary home.
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
#include "launcher/tests/process_runner.h"
#include "launcher/tests/temp_tree.h"

namespace fs = std::filesystem;
using launcher_test::copyFile;
using launcher_test::RunResult;
using launcher_test::writeFile;

namespace {

const std::string kMessage = "Error: Not found the kernel library or the kernel library is invalid!\n";

class LauncherRun : public ::testing::Test {
protected:
    fs::path root() const { return tree_.root(); }
    fs::path home() const { return root() / "home"; }

    fs::path placeLauncher(const fs::path& dir) const {
        const fs::path exe = dir / "tessaly";
        copyFile(LAUNCHER_EXE, exe);
        return exe;
    }

    void writeRecord(const std::string& content) const {
        writeFile(home() / ".config/Norvex/Ovra/Install", content);
    }

    // A directory holding the "installed" stand-in as vexrun.vxe.
    fs::path installedDirectory(const std::string& relative = "installed/rtA") const {
        const fs::path dir = tree_.dir(relative);
        copyFile(STAND_IN_INSTALLED, dir / "vexrun.vxe");
        return dir;
    }

    RunResult run(const fs::path& exe, const std::vector<std::string>& extraEnv = {}) const {
        std::vector<std::string> env = {"HOME=" + home().string(), "PATH=/usr/bin:/bin"};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        RunResult result = launcher_test::runProgram({exe.string()}, env);
        EXPECT_FALSE(result.timedOut) << "the launcher did not end";
        EXPECT_EQ(result.signal, 0) << "the launcher was killed by a signal";
        return result;
    }

    // The one message, the path never shown, status 255 (-1).
    void expectFailure(const RunResult& result, const std::string& before = "") const {
        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(result.err, before + kMessage);
        EXPECT_EQ(result.err.find(root().string()), std::string::npos);
    }

    // The stand-in `marker` was loaded from `path` and handed the image.
    void expectRan(const RunResult& result, const std::string& marker, const fs::path& path) const {
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out.rfind(marker + " loaded " + path.string() + "\n" + marker + " hook 1000\n" +
                                       marker + " entry image=",
                                   0),
                  0u)
            << result.out;
        EXPECT_NE(result.out.find(" bytes=51 5a 00 00\n"), std::string::npos) << result.out;
        EXPECT_EQ(result.err, marker + " unloaded\n");
    }

    launcher_test::TempTree tree_;
};

// --- The library beside the executable -------------------------------------

TEST_F(LauncherRun, LocalLibraryWinsOverTheRecord) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");
    writeRecord("Path=" + installedDirectory().string() + "\n");

    const RunResult result = run(exe);
    expectRan(result, "local", app / "vexrun.vxr");
    EXPECT_EQ(result.out.find("installed"), std::string::npos);
}

TEST_F(LauncherRun, LocalLibraryMeansTheRecordIsNeverOpened) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");
    // Opening a FIFO for reading blocks until a writer comes: a launcher that
    // opened the record would hang here and be killed.
    tree_.dir("home/.config/Norvex/Ovra");
    ASSERT_EQ(mkfifo((home() / ".config/Norvex/Ovra/Install").c_str(), 0600), 0);

    expectRan(run(exe), "local", app / "vexrun.vxr");
}

TEST_F(LauncherRun, RuntimeEntryGetsTheImageAddressAndItsReturnEndsWithZero) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_LOCAL, app / "vexrun.vxr");

    const RunResult result = run(exe);
    expectRan(result, "local", app / "vexrun.vxr");
    const launcher_test::ElfFile elf(exe);
    ASSERT_EQ(elf.error(), "");
    const auto image = elf.symbol("tessaly_image");
    ASSERT_TRUE(image.has_value());
    char address[32];
    snprintf(address, sizeof address, "image=%#llx ", static_cast<unsigned long long>(image->value));
    EXPECT_NE(result.out.find(address), std::string::npos) << result.out;
}

TEST_F(LauncherRun, LocalFileThatCannotBeLoadedFallsBackToTheRecord) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    writeFile(app / "vexrun.vxr", "not a library");
    const fs::path installed = installedDirectory();
    writeRecord("Path=" + installed.string() + "\n");

    expectRan(run(exe), "installed", installed / "vexrun.vxe");
}

// --- The recorded installation directory -----------------------------------

TEST_F(LauncherRun, RecordedDirectoryWithoutSlashGetsOne) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const fs::path installed = installedDirectory("installed/rtA");
    // Where a wrong join would lead: the last character lost or no slash.
    copyFile(STAND_IN_DECOY, tree_.dir("installed/rt") / "vexrun.vxe");
    copyFile(STAND_IN_DECOY, root() / "installed/rtAvexrun.vxe");
    writeRecord("Path=" + installed.string() + "\n");

    expectRan(run(exe), "installed", root() / "installed/rtA/vexrun.vxe");
}

TEST_F(LauncherRun, RecordedDirectoryWithSlashGetsNoSecond) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const fs::path installed = installedDirectory("installed/rtA");
    copyFile(STAND_IN_DECOY, tree_.dir("installed/rtA/rtA") / "vexrun.vxe");
    writeRecord("Other=1\nPath=" + installed.string() + "/\n");

    // The path as handed to the loader: one slash only.
    expectRan(run(exe), "installed", root() / "installed/rtA/vexrun.vxe");
}

TEST_F(LauncherRun, RecordedDirectoryIsSearchedForTheFullBuildOnly) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const fs::path dir = tree_.dir("installed/rtA");
    copyFile(STAND_IN_DECOY, dir / "vexrun.vxr");
    writeRecord("Path=" + dir.string() + "\n");

    const RunResult result = run(exe);
    expectFailure(result);
    EXPECT_EQ(result.out, "");
}

TEST_F(LauncherRun, LongestRecordedPathThatFitsIsLoaded) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    // 248 characters, '/', "vexrun.vxe": 259 characters and the NUL fill
    // the 260-byte path buffer exactly.
    const std::string prefix = root().string() + "/";
    const std::string rest(248 - prefix.size() - 101, 'b');
    const fs::path dir = installedDirectory(std::string(100, 'a') + "/" + rest);
    ASSERT_EQ(dir.string().size(), 248u);
    writeRecord("Path=" + dir.string() + "\n");

    expectRan(run(exe), "installed", dir / "vexrun.vxe");
}

TEST_F(LauncherRun, RecordedPathTooLongForTheBufferFails) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const std::string prefix = root().string() + "/";
    const std::string rest(249 - prefix.size() - 101, 'b');
    const fs::path dir = installedDirectory(std::string(100, 'a') + "/" + rest);
    ASSERT_EQ(dir.string().size(), 249u);
    writeRecord("Path=" + dir.string() + "\n");
    expectFailure(run(exe));

    // Beyond the read limit of 259 bytes.
    writeRecord("Path=" + dir.string() + "/" + std::string(60, 'c') + "\n");
    expectFailure(run(exe));
}

// --- Nothing to load ---------------------------------------------------------

TEST_F(LauncherRun, NeitherLocalFileNorRecordFails) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const RunResult result = run(exe);
    expectFailure(result);
    EXPECT_EQ(result.out, "");
}

TEST_F(LauncherRun, RecordWithoutAUsableDirectoryFails) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    for (const std::string& record : std::vector<std::string>{
             "", "Version=1\n", "Path=" + root().string() + "/nowhere\n",
             "Path=" + tree_.dir("empty").string() + "\n"}) {
        writeRecord(record);
        SCOPED_TRACE(record);
        expectFailure(run(exe));
    }
}

// --- An executable path longer than 127 characters ---------------------------

class LongPath : public LauncherRun {
protected:
    void SetUp() override {
        // cut: 100 characters, '/': the last '/' within the 128 characters
        // read, at or before the sixth-last (index 122).
        const std::string prefix = root().string() + "/";
        cut_ = tree_.dir(std::string(100 - prefix.size(), 'p'));
        ASSERT_EQ(cut_.string().size(), 100u);
        real_ = tree_.dir(cut_.filename().string() + "/" + std::string(60, 'q'));
        exe_ = placeLauncher(real_);
        ASSERT_GT(exe_.string().size(), 127u);
    }
    fs::path cut_, real_, exe_;
};

TEST_F(LongPath, DirectoryIsTakenFromTheCutPath) {
    copyFile(STAND_IN_LOCAL, cut_ / "vexrun.vxr");
    copyFile(STAND_IN_DECOY, real_ / "vexrun.vxr");
    expectRan(run(exe_), "local", cut_ / "vexrun.vxr");
}

TEST_F(LongPath, WithoutTheLibraryInTheCutDirectoryTheRecordIsConsulted) {
    copyFile(STAND_IN_DECOY, real_ / "vexrun.vxr");
    const fs::path installed = installedDirectory();
    writeRecord("Path=" + installed.string() + "\n");
    expectRan(run(exe_), "installed", installed / "vexrun.vxe");
}

// --- An invalid kernel library ------------------------------------------------

TEST_F(LauncherRun, MissingExportIsReleasedThenReported) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_NO_EXPORT, app / "vexrun.vxr");
    // Nothing is retried: the record is not consulted after a bad local library.
    writeRecord("Path=" + installedDirectory().string() + "\n");

    const RunResult result = run(exe);
    expectFailure(result, "no-export unloaded\n");
    EXPECT_EQ(result.out, "no-export loaded " + (app / "vexrun.vxr").string() + "\n");
}

TEST_F(LauncherRun, ExportReturningZeroIsReleasedThenReported) {
    const fs::path app = tree_.dir("app");
    const fs::path exe = placeLauncher(app);
    copyFile(STAND_IN_ZERO_ENTRY, app / "vexrun.vxr");
    writeRecord("Path=" + installedDirectory().string() + "\n");

    const RunResult result = run(exe);
    expectFailure(result, "zero-entry unloaded\n");
    EXPECT_EQ(result.out, "zero-entry loaded " + (app / "vexrun.vxr").string() + "\nzero-entry hook 1000\n");
}

TEST_F(LauncherRun, InvalidInstalledLibraryIsReleasedThenReported) {
    const fs::path exe = placeLauncher(tree_.dir("app"));
    const fs::path dir = tree_.dir("installed/rtA");
    copyFile(STAND_IN_NO_EXPORT, dir / "vexrun.vxe");
    writeRecord("Path=" + dir.string() + "\n");
    expectFailure(run(exe), "no-export unloaded\n");

    copyFile(STAND_IN_ZERO_ENTRY, dir / "vexrun.vxe");
    expectFailure(run(exe), "zero-entry unloaded\n");
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
        EXPECT_EQ(launcher_test::readFile(log_),
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
