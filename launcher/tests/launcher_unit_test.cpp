// The launcher's path rules on their own: the module directory cut, the
// bounded path buffer, and the record of the installation directory.

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "launcher/install_record.h"
#include "launcher/launcher_texts.h"
#include "launcher/module_directory.h"
#include "launcher/path_buffer.h"
#include "launcher/tests/temp_tree.h"

namespace launcher {
namespace {

std::string cut(std::string path, long length) {
    path.resize(kPathBufferSize, '\0');
    cutToDirectory(path.data(), length);
    return path.c_str();
}

std::string cut(const std::string& path) { return cut(path, static_cast<long>(path.size())); }

TEST(ModuleDirectory, KeepsTheDirectoryWithItsSlash) {
    EXPECT_EQ(cut("/opt/tessaly/tessaly"), "/opt/tessaly/");
    EXPECT_EQ(cut("/a/abcde"), "/a/");  // the shortest name the search allows
    EXPECT_EQ(cut("/abcde"), "/");
}

TEST(ModuleDirectory, SearchStartsSixCharactersBeforeTheEnd) {
    // A file name of four characters hides its own slash from the search.
    EXPECT_EQ(cut("/a/b/abcd"), "/a/");
    // A slash within the last five characters is not seen either.
    EXPECT_EQ(cut("/x/y/ab/cd"), "/x/y/");
}

TEST(ModuleDirectory, CutPathGivesTheDirectoryOfWhatWasRead) {
    // Only the first 12 characters were read: the last slash at or before
    // index 12 - 6 = 6 counts.
    EXPECT_EQ(cut("/aa/bb/cccc/tessaly", 12), "/aa/bb/");
    EXPECT_EQ(cut("/aa/bbb/cccc/tessaly", 12), "/aa/");
}

TEST(ModuleDirectory, NothingUsableGivesAnEmptyText) {
    char buffer[kPathBufferSize];
    strcpy(buffer, "tessaly");
    EXPECT_FALSE(cutToDirectory(buffer, 7));
    EXPECT_STREQ(buffer, "");
    strcpy(buffer, "/abc");
    EXPECT_FALSE(cutToDirectory(buffer, 4));
    EXPECT_STREQ(buffer, "");
    strcpy(buffer, "x");
    EXPECT_FALSE(cutToDirectory(buffer, -1));  // the read failed
    EXPECT_STREQ(buffer, "");
}

TEST(ModuleDirectory, OwnExecutableDirectory) {
    char buffer[kPathBufferSize];
    ASSERT_TRUE(moduleDirectory(buffer));
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = '\0';
    std::string expected(exe);
    if (expected.size() < kModulePathLimit) {
        expected.resize(expected.rfind('/') + 1);
        EXPECT_EQ(buffer, expected);
    } else {
        EXPECT_EQ(std::string(exe, strlen(buffer)), buffer);
    }
}

TEST(PathBuffer, AppendsWhileItFits) {
    char buffer[8] = "abc";
    EXPECT_TRUE(appendText(buffer, sizeof buffer, "defg"));  // 7 characters and the NUL
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_FALSE(appendText(buffer, sizeof buffer, "h"));
    EXPECT_STREQ(buffer, "abcdefg");
    char unended[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(appendText(unended, sizeof unended, ""));
}

TEST(PathBuffer, SeparatorIsAddedOnceAtMost) {
    char buffer[16] = "/opt/rt";
    EXPECT_TRUE(endWithSeparator(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "/opt/rt/");
    EXPECT_TRUE(endWithSeparator(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "/opt/rt/");
    char empty[4] = "";
    EXPECT_TRUE(endWithSeparator(empty, sizeof empty));
    EXPECT_STREQ(empty, "/");
    char full[4] = "abc";
    EXPECT_FALSE(endWithSeparator(full, sizeof full));
    EXPECT_STREQ(full, "abc");
}

// The record's text read through readPathValue.
bool pathValue(const std::string& record, std::string& value, size_t limit = kRecordReadLimit) {
    FILE* file = fmemopen(const_cast<char*>(record.data()), record.size(), "rb");
    EXPECT_NE(file, nullptr);
    if (!file) return false;
    char buffer[kPathBufferSize] = "untouched";
    const bool found = readPathValue(file, buffer, limit);
    fclose(file);
    value = buffer;
    return found;
}

TEST(InstallRecord, FirstPathLineGivesTheValue) {
    std::string value;
    EXPECT_TRUE(pathValue("Path=/opt/tessaly/runtime\n", value));
    EXPECT_EQ(value, "/opt/tessaly/runtime");
    EXPECT_TRUE(pathValue("Version=1\nPath=/a b/\nPath=/second\n", value));
    EXPECT_EQ(value, "/a b/");
    EXPECT_TRUE(pathValue("Path=/no/line/end", value));
    EXPECT_EQ(value, "/no/line/end");
    EXPECT_TRUE(pathValue("Path=/crlf\r\n", value));
    EXPECT_EQ(value, "/crlf");
    EXPECT_TRUE(pathValue("Path=\n", value));
    EXPECT_EQ(value, "");
}

TEST(InstallRecord, OtherLinesAreNotThePathValue) {
    std::string value;
    EXPECT_FALSE(pathValue("", value));
    EXPECT_FALSE(pathValue("path=/lower\n", value));
    EXPECT_FALSE(pathValue(" Path=/indented\nPathX=/other\nPath\n", value));
    EXPECT_EQ(value, "untouched");
}

TEST(InstallRecord, ValueMustFitTheReadLimit) {
    std::string value;
    const std::string longest(kRecordReadLimit - 1, 'd');
    EXPECT_TRUE(pathValue("Path=" + longest + "\n", value));
    EXPECT_EQ(value, longest);
    EXPECT_FALSE(pathValue("Path=" + longest + "d\n", value));
    EXPECT_EQ(value, "untouched");
    // A later line does not stand in for a value that was too long.
    EXPECT_FALSE(pathValue("Path=" + longest + "d\nPath=/short\n", value));
}

class RecordFile : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = getenv("HOME")) savedHome_ = home, hadHome_ = true;
    }
    void TearDown() override {
        if (hadHome_) {
            setenv("HOME", savedHome_.c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }
    launcher_test::TempTree tree_;

private:
    std::string savedHome_;
    bool hadHome_ = false;
};

TEST_F(RecordFile, LiesUnderHome) {
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(installRecordFile(), "/home/someone/.config/Norvex/Ovra/Install");
    setenv("HOME", "/home/someone/", 1);
    EXPECT_EQ(installRecordFile(), "/home/someone/.config/Norvex/Ovra/Install");
}

TEST_F(RecordFile, WithoutHomeTheUserDatabaseIsAsked) {
    unsetenv("HOME");
    const std::string withoutHome = installRecordFile();
    setenv("HOME", "", 1);
    EXPECT_EQ(installRecordFile(), withoutHome);
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    std::string home = user->pw_dir;
    if (home.back() != '/') home += '/';
    EXPECT_EQ(withoutHome, home + ".config/Norvex/Ovra/Install");
}

TEST_F(RecordFile, ReadsTheRecordOfHome) {
    setenv("HOME", tree_.root().c_str(), 1);
    char buffer[kPathBufferSize];
    EXPECT_FALSE(readInstallPath(buffer, kRecordReadLimit));
    launcher_test::writeFile(tree_.root() / ".config/Norvex/Ovra/Install", "Path=/opt/rt\n");
    ASSERT_TRUE(readInstallPath(buffer, kRecordReadLimit));
    EXPECT_STREQ(buffer, "/opt/rt");
    // A folder in the record's place is no record.
    std::filesystem::remove(tree_.root() / ".config/Norvex/Ovra/Install");
    tree_.dir(".config/Norvex/Ovra/Install");
    EXPECT_FALSE(readInstallPath(buffer, kRecordReadLimit));
}

}  // namespace
}  // namespace launcher
