// The launcher's search cases and the one test that runs each of them on the
// platform's real launcher (see launcher_cases.h).
#include "launcher/tests/launcher_cases.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace launcher_test {

namespace {
using P = Placed;
constexpr char kLocal[] = "app/vexrun.vxr";
constexpr char kInstalledDir[] = "installed/rtA";
constexpr char kInstalled[] = "installed/rtA/vexrun.vxe";
}  // namespace

const std::vector<LauncherCase> kLauncherCases = {
    // --- The library beside the executable ---
    {.name = "LocalLibraryWinsOverTheRecord", .placed = {{P::Local, kLocal}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "local", .from = kLocal, .runs = true},
    {.name = "LocalFileThatCannotBeLoadedFallsBackToTheRecord",
     .placed = {{P::NotALibrary, kLocal}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "installed", .from = kInstalled, .runs = true},
    {.name = "LocalLibraryCutShortFallsBackToTheRecord",
     .placed = {{P::CutShort, kLocal}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "installed", .from = kInstalled, .runs = true},
    {.name = "InstalledLibraryCutShortFails", .placed = {{P::CutShort, kInstalled}}, .record = kInstalledDir},
    // --- The recorded installation directory; where a wrong join would
    // lead, decoys wait: the directory without its last character, without a
    // separator, or twice. ---
    {.name = "RecordedDirectoryWithoutSeparatorGetsOne",
     .placed = {{P::Installed, kInstalled}, {P::Decoy, "installed/rt/vexrun.vxe"},
                {P::Decoy, "installed/rtAvexrun.vxe"}},
     .record = kInstalledDir, .marker = "installed", .from = kInstalled, .runs = true},
    {.name = "RecordedDirectoryWithSeparatorGetsNoSecond",
     .placed = {{P::Installed, kInstalled}, {P::Decoy, "installed/rtA/rtA/vexrun.vxe"}},
     .record = kInstalledDir, .recordEndsWithSeparator = true, .marker = "installed", .from = kInstalled, .runs = true},
    {.name = "RecordedDirectoryIsSearchedForTheFullBuildOnly", .placed = {{P::Decoy, "installed/rtA/vexrun.vxr"}},
     .record = kInstalledDir},
    // 248 characters, a separator and "vexrun.vxe": 259 characters and the
    // NUL fill the 260-byte path buffer exactly.
    {.name = "LongestRecordedPathThatFitsIsLoaded", .placed = {{P::Installed, "{120a}/{248b}/vexrun.vxe"}},
     .record = "{120a}/{248b}", .marker = "installed", .from = "{120a}/{248b}/vexrun.vxe", .runs = true},
    {.name = "RecordedPathTooLongForTheBufferFails", .placed = {{P::Installed, "{120a}/{249b}/vexrun.vxe"}},
     .record = "{120a}/{249b}"},
    // Beyond the 259 bytes the record is read with.
    {.name = "RecordedPathBeyondTheReadLimitFails", .placed = {{P::Installed, "{120a}/{249b}/vexrun.vxe"}},
     .record = "{120a}/{249b}/{310c}"},
    // --- Nothing to load ---
    {.name = "NeitherLocalFileNorRecordFails"},
    {.name = "RecordedDirectoryThatDoesNotExistFails", .record = "nowhere"},
    {.name = "RecordedDirectoryWithoutTheLibraryFails", .placed = {{P::EmptyFolder, "empty"}}, .record = "empty"},
    // --- An executable path longer than 127 characters: the directory is
    // taken from the first 128 characters, whose last separator (at 100) lies
    // at or before the sixth-last of them. ---
    {.name = "LongPathDirectoryIsTakenFromTheCutPath", .launcherIn = "{100p}/{161q}",
     .placed = {{P::Local, "{100p}/vexrun.vxr"}, {P::Decoy, "{100p}/{161q}/vexrun.vxr"}},
     .marker = "local", .from = "{100p}/vexrun.vxr", .runs = true},
    {.name = "LongPathWithoutTheLibraryInTheCutDirectoryConsultsTheRecord", .launcherIn = "{100p}/{161q}",
     .placed = {{P::Decoy, "{100p}/{161q}/vexrun.vxr"}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "installed", .from = kInstalled, .runs = true},
    // --- An invalid kernel library is released, then reported; nothing is
    // retried (the record is not consulted after a bad local library). ---
    {.name = "MissingExportIsReleasedThenReported", .placed = {{P::NoExport, kLocal}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "no-export", .from = kLocal},
    {.name = "ExportReturningZeroIsReleasedThenReported",
     .placed = {{P::ZeroEntry, kLocal}, {P::Installed, kInstalled}},
     .record = kInstalledDir, .marker = "zero-entry", .from = kLocal, .hooked = true},
    {.name = "InstalledLibraryWithoutTheExportIsReleasedThenReported", .placed = {{P::NoExport, kInstalled}},
     .record = kInstalledDir, .marker = "no-export", .from = kInstalled},
    {.name = "InstalledLibraryReturningZeroIsReleasedThenReported", .placed = {{P::ZeroEntry, kInstalled}},
     .record = kInstalledDir, .marker = "zero-entry", .from = kInstalled, .hooked = true},
};

fs::path tablePath(const fs::path& root, std::string_view relative) {
    fs::path path = root;
    while (!relative.empty()) {
        const size_t slash = relative.find('/');
        std::string part(relative.substr(0, slash));
        relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (part.size() > 2 && part.front() == '{' && part.back() == '}') {
            const size_t length = std::stoul(part.substr(1));
            const size_t before = (path / "").string().size();
            EXPECT_LT(before, length) << "the test folder's path is too long for " << part;
            part.assign(length > before ? length - before : 1, part[part.size() - 2]);
        }
        path /= part;
    }
    return path;
}

void expectRan(const Outcome& outcome, const std::string& marker, const fs::path& library) {
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errBeforeMessage;
    EXPECT_FALSE(outcome.messageShown);
    EXPECT_EQ(outcome.out.rfind(marker + " loaded " + library.string() + "\n" + marker + " hook 1000\n" + marker +
                                    " entry image=",
                                0),
              0u)
        << outcome.out;
    const size_t first = outcome.out.find(" loaded ");
    EXPECT_EQ(outcome.out.find(" loaded ", first + 1), std::string::npos) << "a second library was loaded";
    EXPECT_NE(outcome.out.find(" bytes=51 5a 00 00\n"), std::string::npos) << outcome.out;
    EXPECT_EQ(outcome.errBeforeMessage, marker + " unloaded\n");
}

void expectFailure(const Outcome& outcome, const std::string& errBefore) {
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_TRUE(outcome.messageShown);
    EXPECT_EQ(outcome.errBeforeMessage, errBefore);
}

void PrintTo(const LauncherCase& c, std::ostream* os) { *os << c.name; }

namespace {

const char* standIn(Placed what) {
    switch (what) {
        case Placed::Local: return STAND_IN_LOCAL;
        case Placed::Installed: return STAND_IN_INSTALLED;
        case Placed::Decoy: return STAND_IN_DECOY;
        case Placed::NoExport: return STAND_IN_NO_EXPORT;
        case Placed::ZeroEntry: return STAND_IN_ZERO_ENTRY;
        case Placed::CutShort: return STAND_IN_LOCAL;
        case Placed::NotALibrary:
        case Placed::EmptyFolder: break;
    }
    return nullptr;
}

class LauncherCaseRun : public ::testing::TestWithParam<LauncherCase> {
protected:
    void SetUp() override { forgetRecord(); }
    void TearDown() override { forgetRecord(); }
    TempTree tree_;
};

TEST_P(LauncherCaseRun, AsTheTableSays) {
    const LauncherCase& c = GetParam();
    const fs::path root = tree_.root();
    const fs::path launcherDir = tablePath(root, c.launcherIn);
    fs::create_directories(launcherDir);
    const fs::path exe = placeLauncher(launcherDir);
    for (const Placement& p : c.placed) {
        const fs::path at = tablePath(root, p.at);
        if (p.what == Placed::EmptyFolder) {
            fs::create_directories(at);
        } else if (p.what == Placed::NotALibrary) {
            writeFile(at, "not a library");
        } else {
            placeLibrary(standIn(p.what), at);
            if (p.what == Placed::CutShort) fs::resize_file(at, 4096);
        }
    }
    if (c.record) {
        std::string directory = tablePath(root, c.record).string();
        if (c.recordEndsWithSeparator) directory += fs::path::preferred_separator;
        writeRecord(tree_, directory);
    }

    const Outcome outcome = start(tree_, exe);
    if (c.runs) {
        expectRan(outcome, c.marker, tablePath(root, c.from));
        return;
    }
    std::string out, errBefore;
    if (c.marker) {
        out = std::string(c.marker) + " loaded " + tablePath(root, c.from).string() + "\n";
        if (c.hooked) out += std::string(c.marker) + " hook 1000\n";
        errBefore = std::string(c.marker) + " unloaded\n";
    }
    expectFailure(outcome, errBefore);
    EXPECT_EQ(outcome.out, out);
}

INSTANTIATE_TEST_SUITE_P(Search, LauncherCaseRun, ::testing::ValuesIn(kLauncherCases),
                         [](const ::testing::TestParamInfo<LauncherCase>& info) { return info.param.name; });

}  // namespace
}  // namespace launcher_test
