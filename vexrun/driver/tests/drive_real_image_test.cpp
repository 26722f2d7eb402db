// tessaly-drive on the real build/tessaly.img under the real vexrun.vxr: the
// window as the program shows it, the verbs acting through the widgets, the
// ways the program ends, and the lines the driver cannot read.
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <QImage>

#include "image/file_bytes.h"
#include "image/image_reader.h"
#include "image/window_record.h"
#include "runtime/vexrun_interface.h"
#include "vexrun/driver/show_line.h"
#include "vexrun/driver/tests/drive_process.h"
#include "vexrun/kernel/qt/text_codec.h"

namespace drive {
namespace {

using namespace drive::testing;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string temp(const std::string& name) { return ::testing::TempDir() + "tessaly-drive-" + name; }

// The window record read back from the image the driver runs.
const image::Window& recordedWindow() {
    static image::WindowRecord* record = [] {
        std::string error;
        auto bytes = image::readFileBytes(buildDir() + "/tessaly.img", error);
        EXPECT_TRUE(bytes) << error;
        image::ImageError imageError;
        auto view = image::readImage(*bytes, imageError);
        EXPECT_TRUE(view) << imageError.message;
        image::RecordError recordError;
        auto r = image::readWindowRecord(view->section("form")->data, recordError);
        EXPECT_TRUE(r) << recordError.message;
        return new image::WindowRecord(std::move(*r));
    }();
    return *record->window(vx::kMainWindowId);
}

std::string nameOf(const image::Element& e) { return vexrun::decodeImageText(e.name).toStdString(); }

TEST(DriveTheWindow, ShowsEveryControlOfTheRecordByItsName) {
    std::string script;
    size_t controls = 0;
    for (const image::Element& e : recordedWindow().elements) {
        if (e.kind == vx::kKindWindow) continue;
        script += "show " + nameOf(e) + "\n";
        ++controls;
    }
    EXPECT_EQ(controls, 54u);
    DriveResult r = runDrive(script + "quit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> shown = lines(r.out);
    ASSERT_EQ(shown.size(), 54u) << r.out;
    size_t i = 0;
    for (const image::Element& e : recordedWindow().elements) {
        if (e.kind == vx::kKindWindow) continue;
        const std::string& line = shown[i++];
        SCOPED_TRACE(line);
        EXPECT_EQ(line.rfind(nameOf(e) + " text=\"", 0), 0u);
        // The set-up after creation never changes what is visible.
        const bool visible = e.kind != vx::kKindDropTarget && e.visible();
        EXPECT_NE(line.find(std::string(" visible=") + (visible ? "1" : "0")), std::string::npos);
    }
}

TEST(DriveTheWindow, WritesAScreenshotOfTheWindow) {
    const std::string dir = buildDir() + "/artifacts";
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/main-window.png";
    std::remove(path.c_str());
    DriveResult r = runDrive("shot " + path + "\nquit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull()) << "no PNG at " << path;
    // The client area holds the whole layout (right edge 870, bottom 566).
    EXPECT_GE(shot.width(), 870);
    EXPECT_GE(shot.height(), 566);
    EXPECT_LE(shot.width(), recordedWindow().elements[0].width);
}

TEST(DriveTheWindow, VexrunScreenshotSavesThePictureOnceTheWindowIsUp) {
    const std::string path = temp("screenshot.png");
    std::remove(path.c_str());
    DriveResult r = runDrive("quit\n", {"VEXRUN_SCREENSHOT=" + path});
    ASSERT_EQ(r.status, 0) << r.err;
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 870);
    std::remove(path.c_str());
}

TEST(DriveTheWindow, QuitEndsByTheRuntimesOwnPathWithEveryBlockFreed) {
    const std::string srt = temp("quit.srt");
    writeFile(srt, "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n");
    const std::string script = "drop " + srt + "\nset 编辑框6 00:00:10,000\nclick 按钮1\nclick 按钮1\nclick 选择框3\n"
                               "click 按钮1\nclick 按钮3\nquit\n";
    DriveResult r = runDrive(script, {"VEXRUN_REPORT_BLOCKS=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("vexrun: live blocks at exit: 0\n"), std::string::npos) << r.err;
    // The end of a script without close or quit is a quit.
    r = runDrive("click 按钮1\n", {"VEXRUN_REPORT_BLOCKS=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("vexrun: live blocks at exit: 0\n"), std::string::npos) << r.err;
    std::remove(srt.c_str());
}

TEST(DriveTheWindow, CloseEndsTheProcessFromTheGoingAwayHandlersThread) {
    DriveResult r = runDrive("close\nshow 编辑框2\n", {"VEXRUN_REPORT_BLOCKS=1"}, 30);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << "nothing runs after close: " << r.out;
    // Ended by the terminating thread, not after the handler's 10 s wait and
    // not by the runtime's own path (which would report the blocks).
    EXPECT_LT(r.seconds, 8.0);
    EXPECT_EQ(r.err.find("live blocks"), std::string::npos) << r.err;
}

TEST(DriveTheWindow, ADroppedFileReplacesTheSubtitleBoxByteForByte) {
    const std::string gbkFile = temp("gbk.srt");
    const std::string bytes = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xD6\xD0\xCE\xC4\x80\xFF\r\n";
    writeFile(gbkFile, bytes);
    const std::string saved = temp("saved.srt");
    DriveResult r = runDrive("set 编辑框1 typed by hand\ndrop " + gbkFile + "\nsave 编辑框1 " + saved + "\nquit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(saved), bytes);

    // A folder or a file that is gone is refused: the box keeps its text.
    r = runDrive("set 编辑框1 typed by hand\ndrop " + ::testing::TempDir() + "\ndrop " + temp("gone.srt") + "\nsave 编辑框1 " +
                 saved + "\nquit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(saved), "typed by hand");
    EXPECT_NE(r.err.find("refused the drop"), std::string::npos);
    std::remove(gbkFile.c_str());
    std::remove(saved.c_str());
}

TEST(DriveTheWindow, VerbsActThroughTheWidgetsAsAUsersActionsWould) {
    const std::string script =
        "clipboard 00:01:47,000\n"
        "dblclick 编辑框2\n"
        "show 编辑框2\n"
        "dblclick 编辑框3\n"  // disabled at start-up: no paste
        "show 编辑框3\n"
        "type 掩码编辑框7 00:01:00,000\n"
        "type 掩码编辑框8 0000305\n"
        "show 掩码编辑框8\n"
        "key 掩码编辑框8 65\n"
        "show 编辑框9\n"
        "key 掩码编辑框7 13\n"
        "show 编辑框9\n"
        "spin 调节器1\n"
        "show 掩码编辑框6\n"
        "click 选择框10\n"
        "show 选择框9\n"
        "quit\n";
    DriveResult r = runDrive(script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "编辑框2 text=\"00:01:47,000\" checked=- enabled=1 visible=1",
                                "编辑框3 text=\"00:00:00,000\" checked=- enabled=0 visible=1",
                                "掩码编辑框8 text=\"00:00:30,5  \" checked=- enabled=1 visible=1",
                                "编辑框9 text=\"00:00:00,000\" checked=- enabled=1 visible=1",
                                "编辑框9 text=\"00:00:29,500\" checked=- enabled=1 visible=1",
                                "掩码编辑框6 text=\"-   :  :  ,   \" checked=- enabled=1 visible=1",
                                "选择框9 text=\"段首对齐\" checked=0 enabled=1 visible=1",
                            }));
}

TEST(DriveTheWindow, MessageBoxesAreListedOnceAndDoNotBlock) {
    const std::string script =
        "set 编辑框1 00:00:01,000 --> 00:00:02,000\n"
        "set 编辑框2 00:00:10,000\n"
        "set 编辑框4 00:00:05,000\n"
        "set 编辑框6 00:00:20,000\n"
        "click 按钮1\n"
        "messages\n"
        "messages\n"
        "quit\n";
    DriveResult r = runDrive(script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{"源时间至少要比上级大1毫秒啦"}));
}

TEST(DriveTheWindow, APasteIsEncodedInTheBoxsOwnEncoding) {
    const std::string saved = temp("ratio.txt");
    DriveResult r = runDrive("set 编辑框8 中文\nsave 编辑框8 " + saved + "\nquit\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(saved), "\xD6\xD0\xCE\xC4");  // the box's text came in as GBK
    std::remove(saved.c_str());
}

TEST(DriveScript, ALineItCannotReadStopsTheScriptWithStatus2) {
    DriveResult r = runDrive("show 编辑框2\nfrobnicate 按钮1\nshow 编辑框2\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(lines(r.out).size(), 1u);  // the line before it ran
    EXPECT_NE(r.err.find("line 2: unknown verb \"frobnicate\""), std::string::npos) << r.err;

    r = runDrive("click 按钮99\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1: no control is named 按钮99"), std::string::npos) << r.err;
    r = runDrive("\n# set-up\ntype 编辑框2\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 3: type needs an argument"), std::string::npos) << r.err;
    r = runDrive("spin 按钮1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not a spin control"), std::string::npos) << r.err;
    r = runDrive("key 编辑框2 255\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no key gives the key code 255"), std::string::npos) << r.err;
}

TEST(DriveScript, OptionsAndAMissingImage) {
    DriveResult r = runDrive("quit\n", {}, 30, {"--image", temp("no-image.img")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read the program image"), std::string::npos) << r.err;
    // An image the kernel library refuses is 1 too, never the 2 of a bad line.
    writeFile(temp("not-an-image.img"), "not an image");
    r = runDrive("quit\n", {}, 30, {"--image", temp("not-an-image.img")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vexrun: not a program image"), std::string::npos) << r.err;
    r = runDrive("quit\n", {}, 30, {"--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --frobnicate"), std::string::npos) << r.err;
    r = runDrive("click 按钮1\nquit\n", {}, 30, {"--timing"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("window up after"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 1 (click) took"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace drive
