// The launcher's search cases, as one table both platforms run: which stand-in
// kernel libraries lie where, what the installation record names, and what
// the launcher must do. Each platform's test program supplies only the few
// functions below that place the launcher, write the record (a file under
// the home folder, the registry value), start it and read what it showed.
//
// Paths in the table are relative to the test's temporary folder, written
// with '/'; a part "{N c}" (such as "{248b}") is a run of the character c
// that makes the path from the root through that part exactly N characters
// long, so that the cases at the buffer limits hold wherever the folder is.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/tests/temp_tree.h"

namespace launcher_test {

// What one start of the launcher showed, in the same terms on every platform.
struct Outcome {
    int exitCode = 0;  // -1 is the failure exit (status 255 on Linux)
    bool messageShown = false;  // the one failure message, with its caption
    std::string out;            // standard output
    std::string errBeforeMessage;  // standard error up to the message (all of it when there is none)
};

// The stand-in `marker` was loaded from `library`, asked for the entry and
// handed the image; nothing else was loaded.
void expectRan(const Outcome& outcome, const std::string& marker, const std::filesystem::path& library);
// The failure exit with the message, after `errBefore` on standard error.
void expectFailure(const Outcome& outcome, const std::string& errBefore = "");

// What lies at a place of the table.
// CutShort: the local stand-in, its file cut after 4096 bytes (headers whole,
// segments missing), as an interrupted copy leaves it.
enum class Placed { Local, Installed, Decoy, NoExport, ZeroEntry, NotALibrary, CutShort, EmptyFolder };

struct Placement {
    Placed what;
    const char* at;
};

struct LauncherCase {
    const char* name;
    const char* launcherIn = "app";  // the folder of the executable
    std::vector<Placement> placed = {};
    const char* record = nullptr;  // the recorded directory; nullptr: no record
    bool recordEndsWithSeparator = false;
    // The stand-in that is loaded (nullptr: none, standard output stays
    // empty) and from where.
    const char* marker = nullptr;
    const char* from = nullptr;
    // True: it runs the image. False: the launcher fails after releasing it
    // (`hooked`: its export was asked first).
    bool runs = false;
    bool hooked = false;
};

extern const std::vector<LauncherCase> kLauncherCases;
void PrintTo(const LauncherCase& c, std::ostream* os);

// A table path below `root`, its "{N c}" parts filled in.
std::filesystem::path tablePath(const std::filesystem::path& root, std::string_view relative);

// ---- Supplied by each platform's test program ----

// The launcher copied into `dir`; its path.
std::filesystem::path placeLauncher(const std::filesystem::path& dir);
// A stand-in library copied to `to` (created folders included).
void placeLibrary(const std::filesystem::path& from, const std::filesystem::path& to);
// The installation record naming `directory` (written as given).
void writeRecord(const TempTree& tree, const std::string& directory);
// No record left from an earlier test (before and after each test).
void forgetRecord();
Outcome start(const TempTree& tree, const std::filesystem::path& exe);

}  // namespace launcher_test
