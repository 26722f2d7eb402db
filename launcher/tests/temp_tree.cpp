#include "launcher/tests/temp_tree.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#ifdef _WIN32
#include <process.h>
#endif

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace launcher_test {

TempTree::TempTree() {
#ifdef _WIN32
    // A name no other tree of this or another process has at the moment.
    static int made = 0;
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("tessaly-launcher-" + std::to_string(_getpid()) + "-" +
                                                                std::to_string(++made));
        std::error_code error;
        if (fs::create_directory(candidate, error)) root_ = candidate;
    }
#else
    std::string pattern = (fs::temp_directory_path() / "tessaly-launcher-XXXXXX").string();
    if (mkdtemp(pattern.data())) root_ = pattern;
#endif
    EXPECT_FALSE(root_.empty()) << "cannot make a temporary folder";
}

TempTree::~TempTree() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
}

fs::path TempTree::dir(const std::string& relative) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path);
    return path;
}

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary);
    stream << content;
    EXPECT_TRUE(stream.good()) << "cannot write " << file;
}

std::string readFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

void copyFile(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
}

}  // namespace launcher_test
