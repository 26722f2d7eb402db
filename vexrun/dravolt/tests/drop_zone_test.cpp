// The drop zone takes only files a drop can load: readable regular files.
// Anything else is refused at the drop, so a handler never gets it.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include <algorithm>

#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include "runtime/vexrun_interface.h"
#include "vexrun/dravolt/drop_zone.h"
#include "vexrun/kernel/qt/tests/qt_test_application.h"

namespace dravolt {
namespace {

struct RaisedEvent {
    uint32_t windowId, elementId;
    int32_t event;
    vexrun::EventArgs args;
};

class RecordingHost : public vexrun::ControlHost {
public:
    void raiseEvent(uint32_t windowId, uint32_t elementId, int32_t event, vexrun::EventArgs args) override {
        raised.push_back({windowId, elementId, event, std::move(args)});
    }
    QWidget* widgetForHandle(int32_t) const override { return nullptr; }
    void fail(const std::string& message) override {
        ADD_FAILURE() << message;
        std::abort();
    }
    void dropZoneMade(uint32_t, uint32_t, QWidget* box) override { zones.push_back(box); }
    bool isDropZone(QWidget* box) const override { return std::find(zones.begin(), zones.end(), box) != zones.end(); }
    bool isInputBox(QWidget* box) const override { return !zones.empty() && zones.front() == box; }
    // The kernel library reads the file and raises event 3: recorded as raised.
    void fileDropped(uint32_t windowId, uint32_t dropTargetId, QWidget* box, std::string path) override {
        EXPECT_TRUE(isDropZone(box));
        raiseEvent(windowId, dropTargetId, vx::kEventFileDropped, vexrun::EventArgs::textByReference(std::move(path)));
    }
    std::string askSavePath(const std::string&) override { return {}; }
    void showMessage(std::string_view) override {}
    bool runWithProgress(const vexrun::ProgressBoxTexts&, vexrun::ProgressWork&) override { return false; }
    void* newTextList(std::span<const std::string_view>) override { return nullptr; }
    std::vector<RaisedEvent> raised;
    std::vector<QWidget*> zones;
};

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "dravolt-" + std::to_string(getpid());
        mkdir(dir_.c_str(), 0755);
        file_ = dir_ + "/sub title.srt";
        std::ofstream(file_) << "1\r\n";
    }
    void TearDown() override {
        for (const std::string& p : created_) unlink(p.c_str());
        unlink(file_.c_str());
        rmdir(dir_.c_str());
    }
    std::string make(const std::string& name) {
        created_.push_back(dir_ + "/" + name);
        return created_.back();
    }
    std::string dir_, file_;
    std::vector<std::string> created_;
};

TEST_F(Files, OnlyReadableRegularFilesAreTaken) {
    EXPECT_TRUE(isReadableRegularFile(file_));
    EXPECT_FALSE(isReadableRegularFile(dir_));
    EXPECT_FALSE(isReadableRegularFile(dir_ + "/gone.srt"));
    EXPECT_FALSE(isReadableRegularFile(""));
    const std::string fifo = make("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(isReadableRegularFile(fifo));  // and opening it does not wait
    const std::string link = make("link.srt");
    ASSERT_EQ(symlink(file_.c_str(), link.c_str()), 0);
    EXPECT_TRUE(isReadableRegularFile(link));
    const std::string dangling = make("dangling.srt");
    ASSERT_EQ(symlink((dir_ + "/nothing").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(isReadableRegularFile(dangling));
}

TEST_F(Files, AFileWithoutReadPermissionIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string locked = make("locked.srt");
    std::ofstream(locked) << "x";
    chmod(locked.c_str(), 0);
    EXPECT_FALSE(isReadableRegularFile(locked));
}

TEST_F(Files, TheFirstLocalFileOfTheDragIsTheOneTaken) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file_)), QUrl::fromLocalFile(QString::fromStdString(dir_))});
    EXPECT_EQ(acceptableFile(&data), file_);
    data.setUrls({QUrl(QStringLiteral("https://example.org/a.srt"))});
    EXPECT_FALSE(acceptableFile(&data));
    QMimeData text;
    text.setText(QStringLiteral("1\r\n"));
    EXPECT_FALSE(acceptableFile(&text));
}

class Zone : public Files {
protected:
    void SetUp() override {
        Files::SetUp();
        vexrun::testing::testApplication();
        box_ = std::make_unique<QPlainTextEdit>();
        box_->setPlainText(QStringLiteral("kept"));
        DropZone::install(box_.get(), &host_, vx::kMainWindowId, 0x1601001D);
    }
    bool drop(const QMimeData& data) {
        QWidget* on = box_->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(on, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(on, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    }
    RecordingHost host_;
    std::unique_ptr<QPlainTextEdit> box_;
};

TEST_F(Zone, ADropHandsThePathOnForEvent3OfTheDropTarget) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file_))});
    EXPECT_TRUE(drop(data));
    ASSERT_EQ(host_.raised.size(), 1u);
    EXPECT_EQ(host_.raised[0].windowId, vx::kMainWindowId);
    EXPECT_EQ(host_.raised[0].elementId, 0x1601001Du);
    EXPECT_EQ(host_.raised[0].event, vx::kEventFileDropped);
    EXPECT_EQ(host_.raised[0].args.form, vexrun::EventArgs::Form::TextByReference);
    EXPECT_EQ(host_.raised[0].args.text, file_);
    // The box itself inserts nothing: what it shows is the handler's business.
    EXPECT_EQ(box_->toPlainText(), QStringLiteral("kept"));
}

TEST_F(Zone, AFolderOrAVanishedFileIsRefusedAndTheBoxKeepsItsText) {
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_))});
    EXPECT_FALSE(drop(folder));
    const std::string vanishing = make("vanishing.srt");
    std::ofstream(vanishing) << "x";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(vanishing))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box_->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    unlink(vanishing.c_str());  // gone between entering and dropping
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box_->viewport(), &dropped);
    EXPECT_FALSE(dropped.isAccepted());
    EXPECT_TRUE(host_.raised.empty());
    EXPECT_EQ(box_->toPlainText(), QStringLiteral("kept"));
}

TEST_F(Zone, MakingTheZoneAgainReplacesItsTarget) {
    DropZone::install(box_.get(), &host_, vx::kMainWindowId, 0x16010099);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file_))});
    EXPECT_TRUE(drop(data));
    ASSERT_EQ(host_.raised.size(), 1u);  // one zone, not two
    EXPECT_EQ(host_.raised[0].elementId, 0x16010099u);
}

}  // namespace
}  // namespace dravolt
