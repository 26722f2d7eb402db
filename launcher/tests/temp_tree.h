// A temporary folder tree for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace launcher_test {

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // Creates the folder (and its parents) below the root; returns its path.
    std::filesystem::path dir(const std::string& relative) const;

private:
    std::filesystem::path root_;
};

void writeFile(const std::filesystem::path& file, const std::string& content);
std::string readFile(const std::filesystem::path& file);
// Copies a file, making the copy executable.
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace launcher_test
