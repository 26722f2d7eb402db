// Kernel commands that reach outside: files, and the window system through the
// installed GuiBackend; and the faults a command call can make.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "vexrun/kernel/core/tests/fake_gui_backend.h"
#include "vexrun/kernel/core/tests/kernel_call.h"
#include "vexrun/kernel/core/file_reading.h"
#include "vexrun/kernel/core/memory.h"
#include "vexrun/kernel/core/runtime_errors.h"

using namespace coretest;
using prog::argInt;
using prog::argText;
using ::testing::ExitedWithCode;

namespace {

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/vexrun-core-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name, const std::string& bytes) const {
        std::string p = path_ + "/" + name;
        FILE* f = fopen(p.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return p;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(ReadFile, GivesEveryByteOfTheFile) {
    TempFolder dir;
    std::string bytes("1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC4\xE3\xBA\xC3\0end", 42);
    std::string path = dir.file("a.srt", bytes);
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(path.c_str())})), bytes);
    std::string big(300000, 'x');
    big[123456] = '\0';
    path = dir.file("big.srt", big);
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(path.c_str())})), big);
}

TEST(ReadFile, AnUnreadableFileGivesTheEmptyByteSet) {
    TempFolder dir;
    std::string empty = dir.file("empty.srt", "");
    for (const std::string& p : {empty, dir.path(), dir.path() + "/missing.srt", std::string()}) {
        uint64_t r = kernel(vx::kCmdReadFile, {argText(p.c_str())});
        ASSERT_NE(r, 0u) << p;
        EXPECT_EQ(takeBytes(r), "") << p;
    }
}

TEST(ReadFile, Utf16TextComesAsUtf8AndAnEndlessInputIsRefusedAtTheLimit) {
    TempFolder dir;
    // 1 CR LF 你 then an unpaired surrogate and an odd last byte.
    const std::string le("\xFF\xFE" "1\0\r\0\n\0\x60\x4F\x00\xD8!", 13);
    const std::string be("\xFE\xFF" "\0" "1\0\r\0\n\x4F\x60\xD8\x00!", 13);
    for (const std::string& bytes : {le, be}) {
        EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(dir.file("u.srt", bytes).c_str())})),
                  "1\r\n\xE4\xBD\xA0\xEF\xBF\xBD\xEF\xBF\xBD");
    }
    // Anything else, a UTF-8 mark included, stays bytes.
    EXPECT_EQ(takeBytes(kernel(vx::kCmdReadFile, {argText(dir.file("b.srt", "\xEF\xBB\xBFx\xFF").c_str())})),
              "\xEF\xBB\xBFx\xFF");

    // A FIFO that a writer fills until its reader is gone.
    const std::string fifo = dir.path() + "/endless";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    signal(SIGPIPE, SIG_IGN);
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        static const char zeros[65536] = {};
        while (write(fd, zeros, sizeof zeros) > 0) {
        }
        close(fd);
    });
    void* endless = vexrun::readFileAsByteSet(fifo, 1 << 20);
    writer.join();
    EXPECT_EQ(vexrun::byteSetView(endless), "");
    vexrun::freeBlock(endless);
    void* limit = vexrun::readFileAsByteSet(dir.file("limit.srt", std::string(1 << 20, 'x')), 1 << 20);
    EXPECT_EQ(vexrun::byteSetView(limit).size(), 1u << 20);
    vexrun::freeBlock(limit);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(KernelCommands, RunningOutOfMemoryInsideACommandIsTheKernelsReport) {
    // An address-space limit that holds a 256 MiB text but not the command's
    // temporary copy of it.
    auto underALimit = [](uint32_t command) {
        std::string text(256u << 20, 'x');
        char* t = vexrun::newText(text);
        std::string().swap(text);
        FILE* status = fopen("/proc/self/status", "r");
        char line[256];
        unsigned long kb = 0;
        while (fgets(line, sizeof line, status)) sscanf(line, "VmSize: %lu kB", &kb);
        fclose(status);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = (kb << 10) + (128u << 20);
        setrlimit(RLIMIT_AS, &limit);
        if (command == vx::kCmdReplacePart) kernel(command, {argText(t), argInt(1), argInt(1), argText("y")});
        else kernel(command, {argText(t)});
    };
    EXPECT_EXIT(underALimit(vx::kCmdReplacePart), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: out of memory in kernel command 0x17c \\(replace part of a text\\)");
    EXPECT_EXIT(underALimit(vx::kCmdToText), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: out of memory in kernel command 0x168 \\(to text\\)");
}
#endif

TEST(WindowSystemCommands, GoThroughTheInstalledBackend) {
    FakeGuiBackend gui;
    gui.clipboard = "00:01:02,500";
    gui.messageResult = 1;
    gui.handle = 0x1234;
    vexrun::setGuiBackend(&gui);
    EXPECT_EQ(takeText(kernel(vx::kCmdClipboardText, {})), "00:01:02,500");
    EXPECT_EQ(asInt(kernel(vx::kCmdMessageBox, {argText("\xD4\xB4"), argInt(0), argText("cap")})), 1);
    EXPECT_EQ(gui.messageText, "\xD4\xB4");
    EXPECT_EQ(gui.messageCaption, "cap");
    EXPECT_EQ(asInt(kernel(vx::kCmdWindowHandle, {prog::argControl(0x52010001, 0x16010005, vx::kKindEditBox)})),
              0x1234);
    EXPECT_EQ(gui.handleWindow, 0x52010001u);
    EXPECT_EQ(gui.handleControl, 0x16010005u);
    vexrun::setGuiBackend(nullptr);
}

TEST(WindowSystemCommands, WithoutABackendAreARunTimeFault) {
    EXPECT_EXIT(kernel(vx::kCmdClipboardText, {}), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: kernel command 0x2c4 \\(clipboard text\\) needs a window system");
    EXPECT_EXIT(kernel(vx::kCmdMessageBox, {argText("x")}), ExitedWithCode(vexrun::kExitRuntimeError),
                "message box\\) needs a window system");
}

TEST(KernelCommandFaults, AnUnknownOffsetIsNamed) {
    EXPECT_EXIT(kernel(0x4, {}), ExitedWithCode(vexrun::kExitRuntimeError), "vexrun: unknown kernel command 0x4");
}

TEST(KernelCommandFaults, AnArgumentOfTheWrongTypeIsNamed) {
    EXPECT_EXIT(kernel(vx::kCmdFindText, {argInt(3), argText("a")}), ExitedWithCode(vexrun::kExitRuntimeError),
                "vexrun: kernel command 0x148 \\(find text\\): argument 1 is an integer, not a text or a byte set");
    EXPECT_EXIT(kernel(vx::kCmdLeftText, {argText("a"), argText("2")}), ExitedWithCode(vexrun::kExitRuntimeError),
                "argument 2 is a text, not an integer");
}

}  // namespace
